#ifndef QUORVEL_BACKEND_X11_TYPING_H_
#define QUORVEL_BACKEND_X11_TYPING_H_

#include <X11/Xlib.h>

#include <string>
#include <vector>

#include "backend/x11/keymap.h"

namespace quorvel {
namespace x11 {

// Types one character (Italian-layout table) or one key by KeySym name.
// `held_keys`: keycodes the app holds on purpose; they stay held.
// `display` may be null: then nothing happens and the result is false.
bool TypeText(Display* display,
              Keymap& keymap,
              const std::vector<KeyCode>& held_keys,
              const std::string& text);

}  // namespace x11
}  // namespace quorvel

#endif  // QUORVEL_BACKEND_X11_TYPING_H_
