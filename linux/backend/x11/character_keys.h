#ifndef QUORVEL_BACKEND_X11_CHARACTER_KEYS_H_
#define QUORVEL_BACKEND_X11_CHARACTER_KEYS_H_

#include <X11/XKBlib.h>

#include <vector>

namespace quorvel {
namespace x11 {

// The keys to press for one character: the modifiers in order, then `key`.
struct Chord {
  KeyCode key = 0;
  std::vector<KeyCode> modifiers;
};

// The keyboard as typing sees it at one moment: the map, the active group
// and the modifiers already on (locked ones and those of keys the app holds)
// that the chord cannot take away.
struct KeyboardState {
  const XkbDescRec* map = nullptr;
  int group = 0;
  unsigned mods = 0;
};

// True when the client reading `keysym` takes it for `code_point`.
bool KeysymIs(KeySym keysym, char32_t code_point);

// True when pressing `chord` under `state` makes a client read `code_point`.
bool ChordTypes(const KeyboardState& state,
                const Chord& chord,
                char32_t code_point);

}  // namespace x11
}  // namespace quorvel

#endif  // QUORVEL_BACKEND_X11_CHARACTER_KEYS_H_
