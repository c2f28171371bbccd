#include "backend/x11/character_keys.h"

#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <xkbcommon/xkbcommon.h>

#include <initializer_list>
#include <utility>

#include "backend/x11/key_levels.h"

namespace quorvel {
namespace x11 {
namespace {

// A key that selects levels while held, and the modifiers it sets.
struct LevelKey {
  KeyCode keycode = 0;
  unsigned mods = 0;
};

// The first key carrying one of `keysyms` that sets a modifier.
LevelKey FindLevelKey(const KeyboardState& state,
                      std::initializer_list<KeySym> keysyms) {
  for (KeySym keysym : keysyms) {
    const KeyCode keycode = FindKeycode(*state.map, keysym, state.group);
    const unsigned mods = KeyModifiers(*state.map, keycode);
    if (keycode != 0 && mods != 0) {
      return {keycode, mods};
    }
  }
  return {};
}

// The keys that select levels, in the order their levels come: Shift
// (level 2), the third-level shift (levels 3 and 4), the fifth-level shift.
// Mode_switch is left out: under XKB it switches the group, not the level.
std::vector<LevelKey> LevelKeys(const KeyboardState& state) {
  std::vector<LevelKey> keys;
  for (const LevelKey& key : {FindLevelKey(state, {XK_Shift_L, XK_Shift_R}),
                              FindLevelKey(state, {XK_ISO_Level3_Shift}),
                              FindLevelKey(state, {XK_ISO_Level5_Shift})}) {
    if (key.keycode != 0) {
      keys.push_back(key);
    }
  }
  return keys;
}

bool IsKeypad(KeySym keysym) {
  return IsKeypadKey(keysym);
}

// A key of the active group that gives `code_point` under `mods`.
KeyCode FindKey(const KeyboardState& state,
                unsigned mods,
                char32_t code_point,
                bool keypad) {
  const XkbDescRec& map = *state.map;
  for (int keycode = map.min_key_code; keycode <= map.max_key_code; ++keycode) {
    const KeySym keysym =
        KeyClientKeysym(map, static_cast<KeyCode>(keycode), state.group, mods);
    if (keysym != NoSymbol && IsKeypad(keysym) == keypad &&
        KeysymIs(keysym, code_point)) {
      return static_cast<KeyCode>(keycode);
    }
  }
  return 0;
}

}  // namespace

bool KeysymIs(KeySym keysym, char32_t code_point) {
  return xkb_keysym_to_utf32(static_cast<xkb_keysym_t>(keysym)) == code_point;
}

bool FindChord(const KeyboardState& state, char32_t code_point, Chord* chord) {
  if (!state.map || !state.map->map) {
    return false;
  }
  const std::vector<LevelKey> level_keys = LevelKeys(state);
  const unsigned combinations = 1u << level_keys.size();
  for (bool keypad : {false, true}) {
    for (unsigned combination = 0; combination < combinations; ++combination) {
      unsigned mods = state.mods;
      std::vector<KeyCode> modifiers;
      bool redundant = false;
      for (size_t i = 0; i < level_keys.size(); ++i) {
        if (!(combination & (1u << i))) {
          continue;
        }
        // A modifier already on needs no key; the smaller combination
        // without it was tried first.
        redundant = redundant ||
                    (state.mods & level_keys[i].mods) == level_keys[i].mods;
        mods |= level_keys[i].mods;
        modifiers.push_back(level_keys[i].keycode);
      }
      if (redundant) {
        continue;
      }
      if (const KeyCode key = FindKey(state, mods, code_point, keypad)) {
        chord->key = key;
        chord->modifiers = std::move(modifiers);
        return true;
      }
    }
  }
  return false;
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
