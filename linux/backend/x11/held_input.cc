#include "backend/x11/held_input.h"

#include <X11/extensions/XTest.h>

#include <algorithm>

namespace quorvel {
namespace x11 {

void HeldInput::KeyDown(uint32_t mac_key, KeyCode keycode) {
  if (keys_.emplace(mac_key, keycode).second) {
    order_.push_back(mac_key);
  }
}

KeyCode HeldInput::TakeKey(uint32_t mac_key) {
  auto it = keys_.find(mac_key);
  if (it == keys_.end()) {
    return 0;
  }
  const KeyCode keycode = it->second;
  keys_.erase(it);
  order_.erase(std::remove(order_.begin(), order_.end(), mac_key),
               order_.end());
  return keycode;
}

std::vector<KeyCode> HeldInput::HeldKeycodes() const {
  std::vector<KeyCode> keycodes;
  for (uint32_t mac_key : order_) {
    keycodes.push_back(keys_.at(mac_key));
  }
  return keycodes;
}

void HeldInput::ButtonDown(unsigned button) {
  if (std::find(buttons_.begin(), buttons_.end(), button) == buttons_.end()) {
    buttons_.push_back(button);
  }
}

void HeldInput::ButtonUp(unsigned button) {
  buttons_.erase(std::remove(buttons_.begin(), buttons_.end(), button),
                 buttons_.end());
}

void HeldInput::ReleaseAll(Display* display) {
  if (display) {
    const std::vector<KeyCode> keycodes = HeldKeycodes();
    for (auto it = keycodes.rbegin(); it != keycodes.rend(); ++it) {
      XTestFakeKeyEvent(display, *it, False, 0);
    }
    for (unsigned button : buttons_) {
      XTestFakeButtonEvent(display, button, False, 0);
    }
    XFlush(display);
  }
  keys_.clear();
  order_.clear();
  buttons_.clear();
}

}  // namespace x11
}  // namespace quorvel
