#include "backend/x11/key_index.h"

#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <xkbcommon/xkbcommon.h>

#include <initializer_list>
#include <utility>

#include "backend/common/italian_keys.h"
#include "backend/common/mac_key_table.h"
#include "backend/x11/key_levels.h"

namespace quorvel {
namespace x11 {
namespace {

// Modifier states whose chords are kept. More states than this only come
// from an app holding many modifiers in turn; the list then starts over.
constexpr size_t kMaxModifierStates = 8;

// The most levels any key of `map` has in one group.
int MaxWidth(const XkbDescRec& map) {
  int width = 0;
  for (int keycode = map.min_key_code; keycode <= map.max_key_code; ++keycode) {
    const int key_width = XkbKeyGroupsWidth(&map, keycode);
    width = key_width > width ? key_width : width;
  }
  return width;
}

// The most groups any key of `map` has.
int MaxGroups(const XkbDescRec& map) {
  int groups = 0;
  for (int keycode = map.min_key_code; keycode <= map.max_key_code; ++keycode) {
    const int key_groups = XkbKeyNumGroups(&map, keycode);
    groups = key_groups > groups ? key_groups : groups;
  }
  return groups;
}

}  // namespace

void KeyIndex::Build(const XkbDescRec& map,
                     int group,
                     const Keycodes& skipped) {
  Clear();
  if (!map.map) {
    return;
  }
  map_ = &map;
  group_ = group;
  skipped_ = skipped;
  IndexKeycodes();
  IndexMacKeys();
  FindLevelKeys();
}

void KeyIndex::Clear() {
  map_ = nullptr;
  group_ = 0;
  skipped_.reset();
  keycodes_.clear();
  mac_keycodes_.fill(0);
  level_keys_.clear();
  states_.clear();
}

// The first key found for a symbol wins, so the keys are visited in the
// order of preference: the active group, then the others; within a group
// level by level, and within a level by keycode. A group no key has gives
// only what the groups before it gave (each key wraps it into one of its
// own), so it is skipped unless it is the active one.
void KeyIndex::IndexKeycodes() {
  const int width = MaxWidth(*map_);
  const int groups = MaxGroups(*map_);
  for (int pass = -1; pass < XkbNumKbdGroups && pass < groups; ++pass) {
    const int group = pass < 0 ? group_ : pass;
    if (pass >= 0 && pass == group_) {
      continue;
    }
    for (int level = 0; level < width; ++level) {
      for (int keycode = map_->min_key_code; keycode <= map_->max_key_code;
           ++keycode) {
        const KeyCode key = static_cast<KeyCode>(keycode);
        if (skipped_[key]) {
          continue;
        }
        const KeySym keysym = KeysymAt(*map_, key, group, level);
        if (keysym != NoSymbol) {
          keycodes_.try_emplace(keysym, key);
        }
      }
    }
  }
}

void KeyIndex::IndexMacKeys() {
  for (const auto& [mac_key, keysym] : MacVkToKeysym()) {
    if (mac_key < mac_keycodes_.size()) {
      mac_keycodes_[mac_key] = Keycode(keysym);
    }
  }
}

// The keys that select levels, in the order their levels come: Shift
// (level 2), the third-level shift (levels 3 and 4), the fifth-level shift.
// Mode_switch is left out: under XKB it switches the group, not the level.
void KeyIndex::FindLevelKeys() {
  for (std::initializer_list<KeySym> keysyms :
       {std::initializer_list<KeySym>{XK_Shift_L, XK_Shift_R},
        std::initializer_list<KeySym>{XK_ISO_Level3_Shift},
        std::initializer_list<KeySym>{XK_ISO_Level5_Shift}}) {
    for (KeySym keysym : keysyms) {
      const KeyCode keycode = Keycode(keysym);
      const unsigned mods = KeyModifiers(*map_, keycode);
      if (keycode != 0 && mods != 0) {
        level_keys_.push_back({keycode, mods});
        break;
      }
    }
  }
}

KeyCode KeyIndex::Keycode(KeySym keysym) const {
  const auto it = keycodes_.find(keysym);
  return it == keycodes_.end() ? 0 : it->second;
}

// Every key under every combination of level keys, in the order of
// preference: fewer level keys first, then the lower keycode; keypad keys
// only for characters no other key gives. The first chord found for a
// character wins.
KeyIndex::Chords KeyIndex::BuildChords(unsigned mods) const {
  Chords chords;
  Chords keypad;
  const unsigned combinations = 1u << level_keys_.size();
  for (unsigned combination = 0; combination < combinations; ++combination) {
    unsigned chord_mods = mods;
    std::vector<KeyCode> modifiers;
    bool redundant = false;
    for (size_t i = 0; i < level_keys_.size(); ++i) {
      if (!(combination & (1u << i))) {
        continue;
      }
      // A modifier already on needs no key; the smaller combination
      // without it comes first.
      redundant =
          redundant || (mods & level_keys_[i].mods) == level_keys_[i].mods;
      chord_mods |= level_keys_[i].mods;
      modifiers.push_back(level_keys_[i].keycode);
    }
    if (redundant) {
      continue;
    }
    for (int keycode = map_->min_key_code; keycode <= map_->max_key_code;
         ++keycode) {
      const KeyCode key = static_cast<KeyCode>(keycode);
      if (skipped_[key]) {
        continue;
      }
      const KeySym keysym = KeyClientKeysym(*map_, key, group_, chord_mods);
      const char32_t code_point =
          xkb_keysym_to_utf32(static_cast<xkb_keysym_t>(keysym));
      if (keysym == NoSymbol || code_point == 0) {
        continue;
      }
      Chords& found = IsKeypadKey(keysym) ? keypad : chords;
      const auto [it, inserted] = found.try_emplace(code_point);
      if (inserted) {
        it->second.key = key;
        it->second.modifiers = modifiers;
      }
    }
  }
  for (auto& entry : keypad) {
    chords.try_emplace(entry.first, std::move(entry.second));
  }
  return chords;
}

KeyIndex::ModifierState& KeyIndex::StateFor(unsigned mods) {
  for (ModifierState& state : states_) {
    if (state.mods == mods) {
      return state;
    }
  }
  if (states_.size() >= kMaxModifierStates) {
    states_.clear();
  }
  states_.push_back({mods, BuildChords(mods), {}});
  return states_.back();
}

const Chord* KeyIndex::FindChord(unsigned mods, char32_t code_point) {
  if (!map_) {
    return nullptr;
  }
  const Chords& chords = StateFor(mods).chords;
  const auto it = chords.find(code_point);
  return it == chords.end() ? nullptr : &it->second;
}

const Chord* KeyIndex::CharacterChord(unsigned mods,
                                      const std::string& text,
                                      char32_t code_point) {
  if (!map_) {
    return nullptr;
  }
  ModifierState& state = StateFor(mods);
  auto it = state.characters.find(code_point);
  if (it == state.characters.end()) {
    Chord chord = TableChord(mods, text, code_point);
    if (chord.key == 0) {
      const auto found = state.chords.find(code_point);
      if (found != state.chords.end()) {
        chord = found->second;
      }
    }
    it = state.characters.emplace(code_point, std::move(chord)).first;
  }
  return it->second.key != 0 ? &it->second : nullptr;
}

Chord KeyIndex::TableChord(unsigned mods,
                           const std::string& text,
                           char32_t code_point) const {
  const std::vector<uint32_t>* keysyms = common::ItalianKeys(text);
  if (!keysyms) {
    return {};
  }
  Chord chord;
  for (uint32_t keysym : *keysyms) {
    const KeyCode keycode = Keycode(keysym);
    if (keycode == 0) {
      return {};
    }
    chord.modifiers.push_back(keycode);
  }
  chord.key = chord.modifiers.back();
  chord.modifiers.pop_back();
  const KeyboardState state = {map_, group_, mods};
  return ChordTypes(state, chord, code_point) ? chord : Chord();
}

}  // namespace x11
}  // namespace quorvel
