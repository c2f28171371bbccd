#include "backend/wlroots/input_queue.h"

#include <utility>

namespace quorvel {
namespace wlroots {

InputQueue::InputQueue(std::function<void()> flush)
    : flush_(std::move(flush)) {}

InputQueue::~InputQueue() {
  if (timer_) {
    g_source_remove(timer_);
  }
}

void InputQueue::Push(Step step) {
  items_.push_back({std::move(step), 0});
  Pump();
}

void InputQueue::Pause(int ms) {
  items_.push_back({Step(), ms});
  Pump();
}

void InputQueue::RunAll() {
  if (timer_) {
    g_source_remove(timer_);
    timer_ = 0;
  }
  std::deque<Item> items;
  items.swap(items_);
  for (Item& item : items) {
    if (item.step) {
      item.step();
    }
  }
  flush_();
}

void InputQueue::Clear() {
  if (timer_) {
    g_source_remove(timer_);
    timer_ = 0;
  }
  items_.clear();
}

void InputQueue::Pump() {
  bool sent = false;
  while (timer_ == 0 && !items_.empty()) {
    Item item = std::move(items_.front());
    items_.pop_front();
    if (item.step) {
      item.step();
      sent = true;
    } else {
      timer_ = g_timeout_add(static_cast<guint>(item.pause_ms),
                             &InputQueue::OnPauseOver, this);
    }
  }
  if (sent) {
    flush_();
  }
}

gboolean InputQueue::OnPauseOver(gpointer data) {
  auto* self = static_cast<InputQueue*>(data);
  self->timer_ = 0;
  self->Pump();
  return G_SOURCE_REMOVE;
}

}  // namespace wlroots
}  // namespace quorvel
