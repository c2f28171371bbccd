#include "backend/common/held_codes.h"

#include <algorithm>

namespace quorvel {
namespace common {

void HeldCodes::KeyDown(uint32_t mac_key, uint32_t code) {
  keys_.emplace_back(mac_key, code);
}

uint32_t HeldCodes::TakeKey(uint32_t mac_key) {
  for (auto it = keys_.begin(); it != keys_.end(); ++it) {
    if (it->first == mac_key) {
      const uint32_t code = it->second;
      keys_.erase(it);
      return code;
    }
  }
  return 0;
}

void HeldCodes::ButtonDown(int32_t button) {
  buttons_.push_back(button);
}

void HeldCodes::ButtonUp(int32_t button) {
  buttons_.erase(std::remove(buttons_.begin(), buttons_.end(), button),
                 buttons_.end());
}

void HeldCodes::ReleaseAll(
    const std::function<void(uint32_t code)>& release_key,
    const std::function<void(int32_t button)>& release_button) {
  for (auto it = keys_.rbegin(); it != keys_.rend(); ++it) {
    release_key(it->second);
  }
  for (int32_t button : buttons_) {
    release_button(button);
  }
  Clear();
}

void HeldCodes::Clear() {
  keys_.clear();
  buttons_.clear();
}

}  // namespace common
}  // namespace quorvel
