#include "backend/x11/keys.h"

#include <X11/extensions/XTest.h>

namespace quorvel {
namespace x11 {
namespace {

void FakeKey(Display* display,
             KeyCode keycode,
             bool press,
             unsigned long delay_ms) {
  XTestFakeKeyEvent(display, keycode, press ? True : False, delay_ms);
}

}  // namespace

void PrepareXTest(Display* display) {
  int event_base = 0;
  int error_base = 0;
  int major = 0;
  int minor = 0;
  XTestQueryExtension(display, &event_base, &error_base, &major, &minor);
}

void SendKeycode(Display* display, KeyCode keycode, bool press) {
  FakeKey(display, keycode, press, 0);
  XFlush(display);
}

void TapKeycode(Display* display,
                KeyCode keycode,
                const std::vector<KeyCode>& modifiers,
                ModifierRelease release) {
  for (KeyCode modifier : modifiers) {
    FakeKey(display, modifier, true, 0);
  }
  FakeKey(display, keycode, true, 0);
  FakeKey(display, keycode, false, kKeyHoldDelayMs);
  if (release == ModifierRelease::kAsPressed) {
    for (KeyCode modifier : modifiers) {
      FakeKey(display, modifier, false, 0);
    }
  } else {
    for (auto it = modifiers.rbegin(); it != modifiers.rend(); ++it) {
      FakeKey(display, *it, false, 0);
    }
  }
  // One flush for the whole tap: the server spaces the release itself.
  XFlush(display);
}

}  // namespace x11
}  // namespace quorvel
