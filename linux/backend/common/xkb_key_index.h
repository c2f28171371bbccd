#ifndef QUORVEL_BACKEND_COMMON_XKB_KEY_INDEX_H_
#define QUORVEL_BACKEND_COMMON_XKB_KEY_INDEX_H_

#include <xkbcommon/xkbcommon.h>

#include <unordered_map>
#include <vector>

namespace quorvel {
namespace common {

// The keys to press for one character: the modifiers in order, then `key`.
// XKB keycodes (evdev codes + 8).
struct XkbChord {
  xkb_keycode_t key = 0;
  std::vector<xkb_keycode_t> modifiers;
};

// A key and the modifiers that select the level carrying a KeySym, for a
// backend that states the modifiers itself rather than pressing their keys.
struct XkbKeyLevel {
  xkb_keycode_t key = 0;
  xkb_mod_mask_t mods = 0;
};

// The keyboard as typing finds it: the layout (group) in effect, and the
// modifiers already on (locked ones, those of keys held down) that a chord
// cannot take away.
struct XkbTypingState {
  xkb_layout_index_t layout = 0;
  xkb_mod_mask_t mods = 0;
};

// Where a compositor's XKB keymap puts each KeySym and character, for a
// backend that sends key codes the compositor reads through its own keymap
// (an EIS keyboard, a virtual keyboard without a keymap of its own). What
// a client reads is computed with xkbcommon's own state machine, so Caps
// Lock, key types and layouts with fewer groups count as the compositor
// counts them.
class XkbKeyIndex {
 public:
  // Takes a reference to `keymap`.
  explicit XkbKeyIndex(xkb_keymap* keymap);
  ~XkbKeyIndex();
  XkbKeyIndex(const XkbKeyIndex&) = delete;
  XkbKeyIndex& operator=(const XkbKeyIndex&) = delete;

  xkb_keymap* keymap() const { return keymap_; }
  xkb_layout_index_t num_layouts() const;

  // The key carrying `keysym` in `layout`: a real key before one of the
  // keys xkeyboard-config adds for modifiers alone (<LVL3>), then the lowest
  // level, then the lowest keycode; else the same in the other layouts, in
  // order; 0 when no key carries it.
  xkb_keycode_t KeycodeFor(xkb_keysym_t keysym,
                           xkb_layout_index_t layout) const;

  // The key and modifiers that make a client read `keysym` in `layout`,
  // with no modifier on before: the fewest modifiers (never Caps Lock), then
  // a real key, then the lowest keycode. False when no key of that layout
  // carries it.
  bool LevelFor(xkb_keysym_t keysym,
                xkb_layout_index_t layout,
                XkbKeyLevel* found) const;

  // The modifiers `key` sets while held in `layout`.
  xkb_mod_mask_t KeyModifiers(xkb_keycode_t key,
                              xkb_layout_index_t layout) const;

  // The character a client reads from `key` under `state` (0 for none).
  char32_t CharacterOf(xkb_keycode_t key, const XkbTypingState& state) const;

  // A chord that makes a client under `state` read exactly `code_point`: a
  // key of the layout in effect with the fewest level modifiers added
  // (Shift, then the third-level shift, then both, ...), lowest keycode
  // first, keypad keys last. False when no key of that layout types it.
  bool FindChord(const XkbTypingState& state,
                 char32_t code_point,
                 XkbChord* chord) const;

  // True when pressing `chord` under `state` makes a client read
  // `code_point`.
  bool ChordTypes(const XkbTypingState& state,
                  const XkbChord& chord,
                  char32_t code_point) const;

 private:
  struct Place {
    xkb_keycode_t key;
    xkb_layout_index_t layout;
    xkb_level_index_t level;
    bool virtual_key;
  };
  struct LevelKey {
    xkb_keycode_t key;
    xkb_mod_mask_t mods;
  };

  // The layout `key` serves when `layout` is in effect (a key with fewer
  // layouts wraps or clamps, as its keymap says).
  xkb_layout_index_t KeyLayout(xkb_keycode_t key,
                               xkb_layout_index_t layout) const;
  // Shift, the third- and the fifth-level shift, where the layout has them.
  std::vector<LevelKey> FindLevelKeys(xkb_layout_index_t layout) const;
  bool IsKeypad(xkb_keycode_t key, const XkbTypingState& state) const;

  xkb_keymap* keymap_;
  // Scratch state for the lookups; every use sets it in full first.
  xkb_state* scratch_;
  // KeySym -> every place carrying it, by keycode, layout and level.
  std::unordered_map<xkb_keysym_t, std::vector<Place>> places_;
  // Character -> the keys (ascending) some level of which carries it.
  std::unordered_map<char32_t, std::vector<xkb_keycode_t>> keys_;
  // FindLevelKeys of each layout.
  std::vector<std::vector<LevelKey>> level_keys_;
};

}  // namespace common
}  // namespace quorvel

#endif  // QUORVEL_BACKEND_COMMON_XKB_KEY_INDEX_H_
