#ifndef QUORVEL_BACKEND_X11_KEYMAP_H_
#define QUORVEL_BACKEND_X11_KEYMAP_H_

#include <X11/Xlib.h>

namespace quorvel {
namespace x11 {

// The connection's keyboard map as XKB has it now, kept current from the
// notices the server sends, and the spare keycodes typing borrows.
class Keymap {
 public:
  Keymap() = default;
  ~Keymap();
  Keymap(const Keymap&) = delete;
  Keymap& operator=(const Keymap&) = delete;

  // Starts following the keyboard of `display`: selects the XKB notices this
  // class reads. Once per connection.
  void Attach(Display* display);
  // Forgets the connection and everything read from it (sends nothing).
  void Detach();
  // Every event read from the connection passes through here.
  void OnEvent(const XEvent& event);

  // The keycode that carries `keysym` on the current map, 0 when none does.
  KeyCode KeycodeFor(KeySym keysym);

  // Puts back every spare keycode typing mapped that still carries what was
  // put there, and flushes.
  void RestoreSpares();

 private:
  Display* display_ = nullptr;
};

}  // namespace x11
}  // namespace quorvel

#endif  // QUORVEL_BACKEND_X11_KEYMAP_H_
