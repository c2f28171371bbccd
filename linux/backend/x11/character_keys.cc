#include "backend/x11/character_keys.h"

#include <xkbcommon/xkbcommon.h>

#include "backend/x11/key_levels.h"

namespace quorvel {
namespace x11 {

bool KeysymIs(KeySym keysym, char32_t code_point) {
  return xkb_keysym_to_utf32(static_cast<xkb_keysym_t>(keysym)) == code_point;
}

bool ChordTypes(const KeyboardState& state,
                const Chord& chord,
                char32_t code_point) {
  if (!state.map || !state.map->map || chord.key == 0) {
    return false;
  }
  unsigned mods = state.mods;
  for (KeyCode modifier : chord.modifiers) {
    mods |= KeyModifiers(*state.map, modifier);
  }
  return KeysymIs(KeyClientKeysym(*state.map, chord.key, state.group, mods),
                  code_point);
}

}  // namespace x11
}  // namespace quorvel
