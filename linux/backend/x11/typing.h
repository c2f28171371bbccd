#ifndef QUORVEL_BACKEND_X11_TYPING_H_
#define QUORVEL_BACKEND_X11_TYPING_H_

#include <X11/Xlib.h>

#include <string>
#include <vector>

#include "backend/x11/keymap.h"

namespace quorvel {
namespace x11 {

// Types one character, or one key by its KeySym name ("Return", "F5").
// A character goes through the Italian-layout table where the table's chord
// types it on the current map, else through the key and level that produce
// it in the active group, else through a spare keycode given its symbol for
// the moment. A name presses its key alone. The text ends at a NUL byte.
// `held_keys`: keycodes the app holds on purpose; they stay held, and their
// modifiers count when choosing the level.
// False when nothing can type the text: empty, several characters that are
// no KeySym name, or no spare keycode free; also when `display` is null.
bool TypeText(Display* display,
              Keymap& keymap,
              const std::vector<KeyCode>& held_keys,
              const std::string& text);

}  // namespace x11
}  // namespace quorvel

#endif  // QUORVEL_BACKEND_X11_TYPING_H_
