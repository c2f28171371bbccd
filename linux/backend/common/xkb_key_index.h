#ifndef QUORVEL_BACKEND_COMMON_XKB_KEY_INDEX_H_
#define QUORVEL_BACKEND_COMMON_XKB_KEY_INDEX_H_

#include <xkbcommon/xkbcommon.h>

#include <map>
#include <unordered_map>
#include <utility>
#include <vector>

namespace quorvel {
namespace common {

// A key and the modifiers to hold with it.
struct KeyChord {
  xkb_keycode_t keycode = 0;
  xkb_mod_mask_t mods = 0;
};

// What typing needs to know of one XKB keymap, worked out once: which key,
// with which modifiers held, makes a client read a KeySym in a layout, and
// which keys set each modifier. Wayland desktops hand their keymap to input
// clients as XKB text; this answers for any of them.
class XkbKeyIndex {
 public:
  // Takes a reference of its own on `keymap`.
  explicit XkbKeyIndex(xkb_keymap* keymap);
  ~XkbKeyIndex();
  XkbKeyIndex(const XkbKeyIndex&) = delete;
  XkbKeyIndex& operator=(const XkbKeyIndex&) = delete;

  xkb_keymap* keymap() const { return keymap_; }

  // The chord that makes a client read `keysym` in `layout` while `locked`
  // modifiers (Caps Lock, Num Lock) are on: the fewest modifiers first, then
  // the lowest keycode, keypad keys only when nothing else has the
  // character. Only modifiers some key can set are used. False when no key
  // of the layout produces it.
  bool Find(xkb_keysym_t keysym,
            xkb_layout_index_t layout,
            xkb_mod_mask_t locked,
            KeyChord* chord) const;

  // The keys to hold for `mods` in `layout`, one per modifier, lowest
  // keycode first; false when a modifier has no key that sets it.
  bool ModifierKeys(xkb_mod_mask_t mods,
                    xkb_layout_index_t layout,
                    std::vector<xkb_keycode_t>* keys) const;

 private:
  // Chords by KeySym and, for clients that read the character, by the
  // character a KeySym stands for (KP_1 types "1" where no "1" key exists).
  struct Chords {
    std::unordered_map<xkb_keysym_t, KeyChord> by_keysym;
    std::unordered_map<uint32_t, KeyChord> by_character;
  };
  // Modifier bit -> the lowest keycode whose press sets exactly that bit.
  using ModifierKeyMap = std::unordered_map<xkb_mod_mask_t, xkb_keycode_t>;

  const ModifierKeyMap& ModifierKeysOf(xkb_layout_index_t layout) const;
  const Chords& ChordsFor(xkb_layout_index_t layout,
                          xkb_mod_mask_t locked) const;
  Chords Build(xkb_layout_index_t layout, xkb_mod_mask_t locked) const;

  xkb_keymap* keymap_;
  xkb_state* state_;
  // Built on first use for each layout (and set of locked modifiers), then
  // kept for the keymap's life: a keymap has a handful of layouts and the
  // lock keys two states each.
  mutable std::map<xkb_layout_index_t, ModifierKeyMap> modifier_keys_;
  mutable std::map<std::pair<xkb_layout_index_t, xkb_mod_mask_t>, Chords>
      chords_;
};

}  // namespace common
}  // namespace quorvel

#endif  // QUORVEL_BACKEND_COMMON_XKB_KEY_INDEX_H_
