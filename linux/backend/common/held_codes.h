#ifndef QUORVEL_BACKEND_COMMON_HELD_CODES_H_
#define QUORVEL_BACKEND_COMMON_HELD_CODES_H_

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

namespace quorvel {
namespace common {

// The keys and buttons the app holds down through a compositor's backend:
// each macOS key with the code it went down with (a KeySym, an evdev code),
// each button's code, so the release names what was pressed and whatever
// is still down can be released at the end.
class HeldCodes {
 public:
  void KeyDown(uint32_t mac_key, uint32_t code);
  // The code `mac_key` went down with, forgotten; 0 when it is not held.
  uint32_t TakeKey(uint32_t mac_key);
  void ButtonDown(int32_t button);
  void ButtonUp(int32_t button);

  // Hands the keys to `release_key`, last pressed first, then the buttons
  // to `release_button`, and forgets them.
  void ReleaseAll(const std::function<void(uint32_t code)>& release_key,
                  const std::function<void(int32_t button)>& release_button);
  // Forgets the keys (the compositor dropped them with its device).
  void ForgetKeys() { keys_.clear(); }
  // Forgets everything.
  void Clear();

 private:
  // macOS key -> code, in the order of pressing.
  std::vector<std::pair<uint32_t, uint32_t>> keys_;
  std::vector<int32_t> buttons_;
};

}  // namespace common
}  // namespace quorvel

#endif  // QUORVEL_BACKEND_COMMON_HELD_CODES_H_
