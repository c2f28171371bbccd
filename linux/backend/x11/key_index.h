#ifndef QUORVEL_BACKEND_X11_KEY_INDEX_H_
#define QUORVEL_BACKEND_X11_KEY_INDEX_H_

#include <X11/XKBlib.h>

#include <bitset>
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

  // The chord that makes a client read exactly `code_point` when the
  // modifiers `mods` are already on (locked, or of keys the app holds),
  // which the chord cannot take away: a key of the active group with the
  // fewest level modifiers added (Shift, then the third-level shift, then
  // both, ...), lowest keycode first, keypad keys last. Null when there is
  // none. Valid until the next Build or Clear.
  const Chord* FindChord(unsigned mods, char32_t code_point);

 private:
  // A key that selects levels while held, and the modifiers it sets.
  struct LevelKey {
    KeyCode keycode = 0;
    unsigned mods = 0;
  };
  using Chords = std::unordered_map<char32_t, Chord>;

  void IndexKeycodes();
  void FindLevelKeys();
  Chords BuildChords(unsigned mods) const;

  const XkbDescRec* map_ = nullptr;
  int group_ = 0;
  Keycodes skipped_;
  std::unordered_map<KeySym, KeyCode> keycodes_;
  std::vector<LevelKey> level_keys_;
  // Modifier state -> its chords. Few states occur (Caps Lock, Num Lock, a
  // held Shift), so a short list.
  std::vector<std::pair<unsigned, Chords>> chords_;
};

}  // namespace x11
}  // namespace quorvel

#endif  // QUORVEL_BACKEND_X11_KEY_INDEX_H_
