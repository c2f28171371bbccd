#include "backend/common/xkb_key_index.h"

#include <xkbcommon/xkbcommon-keysyms.h>

#include <algorithm>
#include <bitset>
#include <set>
#include <tuple>

namespace quorvel {
namespace common {
namespace {

bool IsKeypad(xkb_keysym_t keysym) {
  return keysym >= XKB_KEY_KP_Space && keysym <= XKB_KEY_KP_Equal;
}

int BitCount(xkb_mod_mask_t mask) {
  return static_cast<int>(std::bitset<32>(mask).count());
}

// Orders candidate chords: keypad keys last, then fewer modifiers, then the
// lower keycode.
bool Better(bool keypad,
            const KeyChord& a,
            bool best_keypad,
            const KeyChord& b) {
  return std::make_tuple(keypad, BitCount(a.mods), a.keycode) <
         std::make_tuple(best_keypad, BitCount(b.mods), b.keycode);
}

}  // namespace

XkbKeyIndex::XkbKeyIndex(xkb_keymap* keymap)
    : keymap_(xkb_keymap_ref(keymap)), state_(xkb_state_new(keymap_)) {}

XkbKeyIndex::~XkbKeyIndex() {
  xkb_state_unref(state_);
  xkb_keymap_unref(keymap_);
}

bool XkbKeyIndex::Find(xkb_keysym_t keysym,
                       xkb_layout_index_t layout,
                       xkb_mod_mask_t locked,
                       KeyChord* chord) const {
  if (!state_ || keysym == XKB_KEY_NoSymbol) {
    return false;
  }
  const Chords& chords = ChordsFor(layout, locked);
  auto exact = chords.by_keysym.find(keysym);
  if (exact != chords.by_keysym.end()) {
    *chord = exact->second;
    return true;
  }
  const uint32_t character = xkb_keysym_to_utf32(keysym);
  auto same = character ? chords.by_character.find(character)
                        : chords.by_character.end();
  if (same == chords.by_character.end()) {
    return false;
  }
  *chord = same->second;
  return true;
}

bool XkbKeyIndex::ModifierKeys(xkb_mod_mask_t mods,
                               xkb_layout_index_t layout,
                               std::vector<xkb_keycode_t>* keys) const {
  if (!state_) {
    return false;
  }
  const ModifierKeyMap& modifier_keys = ModifierKeysOf(layout);
  std::vector<xkb_keycode_t> found;
  for (xkb_mod_mask_t bit = 1; bit != 0 && bit <= mods; bit <<= 1) {
    if (!(mods & bit)) {
      continue;
    }
    auto key = modifier_keys.find(bit);
    if (key == modifier_keys.end()) {
      return false;
    }
    found.push_back(key->second);
  }
  std::sort(found.begin(), found.end());
  *keys = std::move(found);
  return true;
}

// A key sets a modifier when pressing it alone, in `layout` and with nothing
// else down, leaves exactly that modifier depressed and locks or latches
// nothing (so Caps Lock and the latching keys are never used for a level).
const XkbKeyIndex::ModifierKeyMap& XkbKeyIndex::ModifierKeysOf(
    xkb_layout_index_t layout) const {
  auto cached = modifier_keys_.find(layout);
  if (cached != modifier_keys_.end()) {
    return cached->second;
  }
  ModifierKeyMap keys;
  const xkb_keycode_t min = xkb_keymap_min_keycode(keymap_);
  const xkb_keycode_t max = xkb_keymap_max_keycode(keymap_);
  for (xkb_keycode_t keycode = min; keycode <= max; keycode++) {
    xkb_state* state = xkb_state_new(keymap_);
    xkb_state_update_mask(state, 0, 0, 0, 0, 0, layout);
    xkb_state_update_key(state, keycode, XKB_KEY_DOWN);
    const xkb_mod_mask_t depressed =
        xkb_state_serialize_mods(state, XKB_STATE_MODS_DEPRESSED);
    const bool only_depressed =
        xkb_state_serialize_mods(state, XKB_STATE_MODS_LATCHED) == 0 &&
        xkb_state_serialize_mods(state, XKB_STATE_MODS_LOCKED) == 0 &&
        xkb_state_serialize_layout(state, XKB_STATE_LAYOUT_EFFECTIVE) == layout;
    xkb_state_unref(state);
    if (only_depressed && BitCount(depressed) == 1) {
      keys.emplace(depressed, keycode);  // Keeps the lowest keycode.
    }
  }
  return modifier_keys_.emplace(layout, std::move(keys)).first->second;
}

const XkbKeyIndex::Chords& XkbKeyIndex::ChordsFor(xkb_layout_index_t layout,
                                                  xkb_mod_mask_t locked) const {
  const auto key = std::make_pair(layout, locked);
  auto cached = chords_.find(key);
  if (cached == chords_.end()) {
    cached = chords_.emplace(key, Build(layout, locked)).first;
  }
  return cached->second;
}

// Tries every key under every modifier combination some level of the keymap
// asks for (and that keys can set), reading what a client would read.
XkbKeyIndex::Chords XkbKeyIndex::Build(xkb_layout_index_t layout,
                                       xkb_mod_mask_t locked) const {
  const ModifierKeyMap& modifier_keys = ModifierKeysOf(layout);
  xkb_mod_mask_t settable = 0;
  for (const auto& entry : modifier_keys) {
    settable |= entry.first;
  }
  const xkb_keycode_t min = xkb_keymap_min_keycode(keymap_);
  const xkb_keycode_t max = xkb_keymap_max_keycode(keymap_);

  std::set<xkb_mod_mask_t> masks = {0};
  for (xkb_keycode_t keycode = min; keycode <= max; keycode++) {
    const xkb_level_index_t levels =
        xkb_keymap_num_levels_for_key(keymap_, keycode, layout);
    for (xkb_level_index_t level = 0; level < levels; level++) {
      xkb_mod_mask_t level_masks[16];
      const size_t count = xkb_keymap_key_get_mods_for_level(
          keymap_, keycode, layout, level, level_masks, 16);
      for (size_t i = 0; i < count; i++) {
        if ((level_masks[i] & ~settable) == 0) {
          masks.insert(level_masks[i]);
        }
      }
    }
  }

  Chords chords;
  std::unordered_map<uint32_t, bool> keypad_by_character;
  for (xkb_mod_mask_t mods : masks) {
    xkb_state_update_mask(state_, mods, 0, locked, 0, 0, layout);
    for (xkb_keycode_t keycode = min; keycode <= max; keycode++) {
      const xkb_keysym_t keysym = xkb_state_key_get_one_sym(state_, keycode);
      if (keysym == XKB_KEY_NoSymbol) {
        continue;
      }
      const KeyChord chord{keycode, mods};
      auto by_keysym = chords.by_keysym.find(keysym);
      if (by_keysym == chords.by_keysym.end() ||
          Better(false, chord, false, by_keysym->second)) {
        chords.by_keysym[keysym] = chord;
      }
      const uint32_t character = xkb_keysym_to_utf32(keysym);
      if (character == 0) {
        continue;
      }
      const bool keypad = IsKeypad(keysym);
      auto by_character = chords.by_character.find(character);
      if (by_character == chords.by_character.end() ||
          Better(keypad, chord, keypad_by_character[character],
                 by_character->second)) {
        chords.by_character[character] = chord;
        keypad_by_character[character] = keypad;
      }
    }
  }
  xkb_state_update_mask(state_, 0, 0, 0, 0, 0, 0);
  return chords;
}

}  // namespace common
}  // namespace quorvel
