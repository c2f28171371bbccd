#include "backend/common/xkb_key_index.h"

#include <xkbcommon/xkbcommon-keysyms.h>

#include <bitset>
#include <cstring>
#include <initializer_list>
#include <tuple>
#include <utility>

namespace quorvel {
namespace common {
namespace {

// The keys xkeyboard-config adds to carry modifiers that no key of the
// keyboard has (<LVL3> holds ISO_Level3_Shift beside the real right Alt):
// they work, but a real key is what the app's user would have pressed.
bool IsVirtualKey(xkb_keymap* keymap, xkb_keycode_t key) {
  const char* name = xkb_keymap_key_get_name(keymap, key);
  if (!name) {
    return false;
  }
  for (const char* virtual_key :
       {"LVL3", "LVL5", "MDSW", "ALT", "META", "SUPR", "HYPR"}) {
    if (strcmp(name, virtual_key) == 0) {
      return true;
    }
  }
  return false;
}

}  // namespace

XkbKeyIndex::XkbKeyIndex(xkb_keymap* keymap)
    : keymap_(xkb_keymap_ref(keymap)), scratch_(xkb_state_new(keymap)) {
  for (xkb_keycode_t key = xkb_keymap_min_keycode(keymap);
       key <= xkb_keymap_max_keycode(keymap); key++) {
    const xkb_layout_index_t layouts =
        xkb_keymap_num_layouts_for_key(keymap, key);
    for (xkb_layout_index_t layout = 0; layout < layouts; layout++) {
      const xkb_level_index_t levels =
          xkb_keymap_num_levels_for_key(keymap, key, layout);
      for (xkb_level_index_t level = 0; level < levels; level++) {
        const xkb_keysym_t* syms = nullptr;
        const int count =
            xkb_keymap_key_get_syms_by_level(keymap, key, layout, level, &syms);
        for (int i = 0; i < count; i++) {
          places_[syms[i]].push_back(
              {key, layout, level, IsVirtualKey(keymap, key)});
          const char32_t character = xkb_keysym_to_utf32(syms[i]);
          if (character == 0) {
            continue;
          }
          std::vector<xkb_keycode_t>& keys = keys_[character];
          if (keys.empty() || keys.back() != key) {
            keys.push_back(key);
          }
        }
      }
    }
  }
  // Which keys select levels depends on the layout only: found once.
  for (xkb_layout_index_t layout = 0; layout < num_layouts(); layout++) {
    level_keys_.push_back(FindLevelKeys(layout));
  }
}

XkbKeyIndex::~XkbKeyIndex() {
  xkb_state_unref(scratch_);
  xkb_keymap_unref(keymap_);
}

xkb_layout_index_t XkbKeyIndex::num_layouts() const {
  return xkb_keymap_num_layouts(keymap_);
}

xkb_layout_index_t XkbKeyIndex::KeyLayout(xkb_keycode_t key,
                                          xkb_layout_index_t layout) const {
  xkb_state_update_mask(scratch_, 0, 0, 0, 0, 0, layout);
  return xkb_state_key_get_layout(scratch_, key);
}

xkb_keycode_t XkbKeyIndex::KeycodeFor(xkb_keysym_t keysym,
                                      xkb_layout_index_t layout) const {
  auto it = places_.find(keysym);
  if (it == places_.end()) {
    return 0;
  }
  auto best_in = [&](xkb_layout_index_t in_effect) {
    const Place* best = nullptr;
    for (const Place& place : it->second) {
      if (KeyLayout(place.key, in_effect) != place.layout) {
        continue;
      }
      auto rank = [](const Place& p) {
        return std::make_tuple(p.virtual_key, p.level, p.key);
      };
      if (!best || rank(place) < rank(*best)) {
        best = &place;
      }
    }
    return best ? best->key : 0;
  };
  if (const xkb_keycode_t key = best_in(layout)) {
    return key;
  }
  for (xkb_layout_index_t other = 0; other < num_layouts(); other++) {
    if (other == layout) {
      continue;
    }
    if (const xkb_keycode_t key = best_in(other)) {
      return key;
    }
  }
  return 0;
}

bool XkbKeyIndex::LevelFor(xkb_keysym_t keysym,
                           xkb_layout_index_t layout,
                           XkbKeyLevel* found) const {
  auto it = places_.find(keysym);
  if (it == places_.end()) {
    return false;
  }
  const xkb_mod_index_t caps =
      xkb_keymap_mod_get_index(keymap_, XKB_MOD_NAME_CAPS);
  const xkb_mod_mask_t caps_mask = caps == XKB_MOD_INVALID ? 0 : 1u << caps;
  bool any = false;
  std::tuple<size_t, bool, xkb_keycode_t> best;
  for (const Place& place : it->second) {
    if (KeyLayout(place.key, layout) != place.layout) {
      continue;
    }
    xkb_mod_mask_t masks[8];
    const size_t count = xkb_keymap_key_get_mods_for_level(
        keymap_, place.key, place.layout, place.level, masks, 8);
    for (size_t i = 0; i < count; i++) {
      if (masks[i] & caps_mask) {
        continue;  // a lock, not a modifier to hold
      }
      const auto rank = std::make_tuple(std::bitset<32>(masks[i]).count(),
                                        place.virtual_key, place.key);
      if (!any || rank < best) {
        any = true;
        best = rank;
        *found = {place.key, masks[i]};
      }
    }
  }
  return any;
}

xkb_mod_mask_t XkbKeyIndex::KeyModifiers(xkb_keycode_t key,
                                         xkb_layout_index_t layout) const {
  if (key == 0) {
    return 0;
  }
  xkb_state_update_mask(scratch_, 0, 0, 0, 0, 0, layout);
  xkb_state_update_key(scratch_, key, XKB_KEY_DOWN);
  const xkb_mod_mask_t mods =
      xkb_state_serialize_mods(scratch_, XKB_STATE_MODS_DEPRESSED);
  xkb_state_update_key(scratch_, key, XKB_KEY_UP);
  return mods;
}

char32_t XkbKeyIndex::CharacterOf(xkb_keycode_t key,
                                  const XkbTypingState& state) const {
  xkb_state_update_mask(scratch_, state.mods, 0, 0, 0, 0, state.layout);
  return xkb_state_key_get_utf32(scratch_, key);
}

bool XkbKeyIndex::IsKeypad(xkb_keycode_t key,
                           const XkbTypingState& state) const {
  xkb_state_update_mask(scratch_, state.mods, 0, 0, 0, 0, state.layout);
  const xkb_keysym_t keysym = xkb_state_key_get_one_sym(scratch_, key);
  return keysym >= XKB_KEY_KP_Space && keysym <= XKB_KEY_KP_Equal;
}

// Mode_switch is left out: under XKB it switches the group, not the level.
std::vector<XkbKeyIndex::LevelKey> XkbKeyIndex::FindLevelKeys(
    xkb_layout_index_t layout) const {
  std::vector<LevelKey> keys;
  for (std::initializer_list<xkb_keysym_t> keysyms :
       {std::initializer_list<xkb_keysym_t>{XKB_KEY_Shift_L, XKB_KEY_Shift_R},
        std::initializer_list<xkb_keysym_t>{XKB_KEY_ISO_Level3_Shift},
        std::initializer_list<xkb_keysym_t>{XKB_KEY_ISO_Level5_Shift}}) {
    for (xkb_keysym_t keysym : keysyms) {
      const xkb_keycode_t key = KeycodeFor(keysym, layout);
      const xkb_mod_mask_t mods = KeyModifiers(key, layout);
      if (key != 0 && mods != 0) {
        keys.push_back({key, mods});
        break;
      }
    }
  }
  return keys;
}

bool XkbKeyIndex::FindChord(const XkbTypingState& state,
                            char32_t code_point,
                            XkbChord* chord) const {
  auto candidates = keys_.find(code_point);
  if (candidates == keys_.end()) {
    return false;
  }
  static const std::vector<LevelKey> kNone;
  const std::vector<LevelKey>& level_keys =
      state.layout < level_keys_.size() ? level_keys_[state.layout] : kNone;
  const unsigned combinations = 1u << level_keys.size();
  for (bool keypad : {false, true}) {
    for (unsigned combination = 0; combination < combinations; combination++) {
      XkbTypingState with = state;
      std::vector<xkb_keycode_t> modifiers;
      bool redundant = false;
      for (size_t i = 0; i < level_keys.size(); i++) {
        if (!(combination & (1u << i))) {
          continue;
        }
        // A modifier already on needs no key; the smaller combination
        // without it was tried first.
        redundant = redundant ||
                    (state.mods & level_keys[i].mods) == level_keys[i].mods;
        with.mods |= level_keys[i].mods;
        modifiers.push_back(level_keys[i].key);
      }
      if (redundant) {
        continue;
      }
      for (xkb_keycode_t key : candidates->second) {
        if (CharacterOf(key, with) == code_point &&
            IsKeypad(key, with) == keypad) {
          chord->key = key;
          chord->modifiers = std::move(modifiers);
          return true;
        }
      }
    }
  }
  return false;
}

bool XkbKeyIndex::ChordTypes(const XkbTypingState& state,
                             const XkbChord& chord,
                             char32_t code_point) const {
  if (chord.key == 0) {
    return false;
  }
  XkbTypingState with = state;
  for (xkb_keycode_t modifier : chord.modifiers) {
    with.mods |= KeyModifiers(modifier, state.layout);
  }
  return CharacterOf(chord.key, with) == code_point;
}

}  // namespace common
}  // namespace quorvel
