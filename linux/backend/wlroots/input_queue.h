#ifndef QUORVEL_BACKEND_WLROOTS_INPUT_QUEUE_H_
#define QUORVEL_BACKEND_WLROOTS_INPUT_QUEUE_H_

#include <glib.h>

#include <deque>
#include <functional>

namespace quorvel {
namespace wlroots {

// Input sent strictly in the order it was asked for, with pauses that never
// block the app's thread: a step runs at once when nothing waits before
// it, else from a main-loop timeout once the pauses before it are over.
class InputQueue {
 public:
  using Step = std::function<void()>;

  // `flush` runs after each batch of steps, to send them.
  explicit InputQueue(std::function<void()> flush);
  ~InputQueue();
  InputQueue(const InputQueue&) = delete;
  InputQueue& operator=(const InputQueue&) = delete;

  void Push(Step step);
  // What is pushed next runs at least `ms` milliseconds after the step
  // before it.
  void Pause(int ms);
  // True while steps wait for a pause to end.
  bool busy() const { return timer_ != 0 || !items_.empty(); }

  // Runs everything still waiting at once, pauses skipped; for teardown.
  void RunAll();
  // Forgets everything still waiting (nothing can be sent any more).
  void Clear();

 private:
  struct Item {
    Step step;  // empty for a pause
    int pause_ms = 0;
  };
  void Pump();
  static gboolean OnPauseOver(gpointer data);

  std::function<void()> flush_;
  std::deque<Item> items_;
  guint timer_ = 0;
};

}  // namespace wlroots
}  // namespace quorvel

#endif  // QUORVEL_BACKEND_WLROOTS_INPUT_QUEUE_H_
