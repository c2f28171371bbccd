#ifndef QUORVEL_BACKEND_X11_KEY_INDEX_H_
#define QUORVEL_BACKEND_X11_KEY_INDEX_H_

#include <X11/XKBlib.h>

#include <array>
#include <bitset>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "backend/x11/character_keys.h"

namespace quorvel {
namespace x11 {

// The lookups keys and typing make on one keyboard map in one active
// group, answered from tables instead of a scan of every key and level per
// call. Built again whenever the map or the group changes; the tables of
// characters are built for each modifier state on its first use.
//
// Keycodes in `skipped` (the spare keycodes, whose symbols typing changes
// without a new build) are left out: a table would keep their old symbols.
class KeyIndex {
 public:
  using Keycodes = std::bitset<256>;

  // Indexes `map`, which must outlive the index or the next Build.
  void Build(const XkbDescRec& map, int group, const Keycodes& skipped);
  void Clear();
  bool built() const { return map_ != nullptr; }

  // The keycode carrying `keysym` in the active group, at the lowest level
  // and then the lowest keycode (as XKeysymToKeycode ranks them), else in
  // the other groups in turn; 0 when no key carries it.
  KeyCode Keycode(KeySym keysym) const;

  // Keycode(TranslateMacVk(mac_key)), from a table; 0 also for codes the
  // table does not reach.
  KeyCode MacKeycode(uint32_t mac_key) const {
    return mac_key < mac_keycodes_.size() ? mac_keycodes_[mac_key] : 0;
  }

  // The chord that makes a client read exactly `code_point` when the
  // modifiers `mods` are already on (locked, or of keys the app holds),
  // which the chord cannot take away: a key of the active group with the
  // fewest level modifiers added (Shift, then the third-level shift, then
  // both, ...), lowest keycode first, keypad keys last. Null when there is
  // none. Valid until the next Build or Clear.
  const Chord* FindChord(unsigned mods, char32_t code_point);

  // The chord typing uses for `text`, the UTF-8 of `code_point`: the
  // Italian table's, when its keys are on the map and it makes a client
  // read exactly `code_point` under `mods`; else FindChord's. Remembered
  // per character.
  const Chord* CharacterChord(unsigned mods,
                              const std::string& text,
                              char32_t code_point);

 private:
  // A key that selects levels while held, and the modifiers it sets.
  struct LevelKey {
    KeyCode keycode = 0;
    unsigned mods = 0;
  };
  using Chords = std::unordered_map<char32_t, Chord>;
  // What typing has looked up under one modifier state.
  struct ModifierState {
    unsigned mods = 0;
    Chords chords;
    // Per character, what CharacterChord chose; key 0 where nothing
    // types the character.
    Chords characters;
  };

  void IndexKeycodes();
  void IndexMacKeys();
  void FindLevelKeys();
  Chords BuildChords(unsigned mods) const;
  ModifierState& StateFor(unsigned mods);
  Chord TableChord(unsigned mods,
                   const std::string& text,
                   char32_t code_point) const;

  const XkbDescRec* map_ = nullptr;
  int group_ = 0;
  Keycodes skipped_;
  std::unordered_map<KeySym, KeyCode> keycodes_;
  // macOS virtual key code -> keycode; the codes in use are all below 128.
  std::array<KeyCode, 128> mac_keycodes_ = {};
  std::vector<LevelKey> level_keys_;
  // Few modifier states occur (Caps Lock, Num Lock, a held Shift), so a
  // short list.
  std::vector<ModifierState> states_;
};

}  // namespace x11
}  // namespace quorvel

#endif  // QUORVEL_BACKEND_X11_KEY_INDEX_H_
