#ifndef QUORVEL_BACKEND_X11_HELD_INPUT_H_
#define QUORVEL_BACKEND_X11_HELD_INPUT_H_

#include <X11/Xlib.h>

#include <cstdint>
#include <map>
#include <vector>

namespace quorvel {
namespace x11 {

// The keys and buttons this connection has pressed and not yet released, as
// sent: keycodes, not KeySyms, so a layout switched in between cannot make a
// release miss the key that went down.
class HeldInput {
 public:
  // A key held on purpose (a macOS key's "Down"). Pressing the same macOS
  // key again while it is held keeps the first keycode.
  void KeyDown(uint32_t mac_key, KeyCode keycode);
  // The keycode a held macOS key went down with, and forgets it; 0 when the
  // key is not held.
  KeyCode TakeKey(uint32_t mac_key);
  // Keycodes held on purpose, in the order they went down.
  std::vector<KeyCode> HeldKeycodes() const;

  void ButtonDown(unsigned button);
  void ButtonUp(unsigned button);

  // Releases everything still held, keys in reverse order of pressing, then
  // buttons, and forgets it. `display` may be null or lost: the record is
  // cleared all the same.
  void ReleaseAll(Display* display);

  bool empty() const { return keys_.empty() && buttons_.empty(); }

 private:
  // macOS key -> keycode, with the order of pressing kept in `order_`.
  std::map<uint32_t, KeyCode> keys_;
  std::vector<uint32_t> order_;
  std::vector<unsigned> buttons_;
};

}  // namespace x11
}  // namespace quorvel

#endif  // QUORVEL_BACKEND_X11_HELD_INPUT_H_
