#include "backend/x11/keys.h"

#include <X11/extensions/XTest.h>

#include <cerrno>
#include <ctime>

#include "backend/x11/mac_key_table.h"

namespace quorvel {
namespace x11 {

void HoldKey() {
  // nanosleep writes the time still to wait into `remaining`, so an
  // interrupted wait resumes where it stopped instead of starting over.
  // Any other failure gives up: a shorter hold beats a stuck key.
  timespec remaining = kKeyHoldDelay;
  while (nanosleep(&remaining, &remaining) == -1 && errno == EINTR) {
  }
}

void SendKeyTransition(Display* display, uint32_t mac_key, bool pressed) {
  if (!display) {
    return;
  }
  const KeySym keysym = TranslateMacVk(mac_key);
  if (keysym == NoSymbol) {
    return;
  }
  // Resolved on every transition: the user may switch layouts between the
  // press and the release, and the release must follow the current keymap.
  const KeyCode keycode = XKeysymToKeycode(display, keysym);
  if (keycode == 0) {
    return;
  }
  XTestFakeKeyEvent(display, keycode, pressed ? True : False, 0);
  // Flushed one by one so the hold between press and release is seen by the
  // server, not collapsed in our output buffer.
  XFlush(display);
}

}  // namespace x11
}  // namespace quorvel
