#ifndef QUORVEL_BACKEND_WLROOTS_TYPING_KEYMAP_H_
#define QUORVEL_BACKEND_WLROOTS_TYPING_KEYMAP_H_

#include <xkbcommon/xkbcommon.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "backend/common/xkb_key_index.h"

namespace quorvel {
namespace wlroots {

// A keycode the seat's keymap leaves without symbols, and the KeySym typing
// has put on it.
struct SpareKey {
  xkb_keycode_t keycode = 0;
  std::string name;    // its name in the keymap, or one we give it
  bool named = false;  // the seat's keymap already names it
  xkb_keysym_t keysym = XKB_KEY_NoSymbol;
  uint64_t last_used = 0;
};

// True for a keymap this backend uploaded (the compositor sends it back to
// every keyboard of the seat, ours included).
bool IsOwnKeymap(const std::string& text);

// The keycodes of `keymap` a character can borrow: within its range, up to
// 255 (what X11 clients under XWayland can still read), carrying no symbol
// in any layout. Keycodes no key name refers to first, then those that name
// no physical key ("I" names), then the others; highest first in each.
std::vector<SpareKey> FindSpareKeys(xkb_keymap* keymap);

// `text`, a keymap as xkb_keymap_get_as_string writes it, with each spare
// that carries a KeySym added to it and its keycodes section renamed so
// that IsOwnKeymap recognises it.
std::string ExtendKeymapText(const std::string& text,
                             const std::vector<SpareKey>& spares);

// The keymap the virtual keyboard types with: the seat's own, so keys mean
// what they mean on the user's keyboard, plus spare keys given whatever
// characters it lacks.
class TypingKeymap {
 public:
  // From the seat's keymap text, or, when that is empty, from the XKB names
  // of the environment (XKB_DEFAULT_LAYOUT and so on). Null when it does
  // not compile or cannot be extended.
  static std::unique_ptr<TypingKeymap> Create(xkb_context* context,
                                              const std::string& seat_text);
  TypingKeymap(const TypingKeymap&) = delete;
  TypingKeymap& operator=(const TypingKeymap&) = delete;

  // The seat's keys, for keys and characters it has.
  const common::XkbKeyIndex& index() const { return *index_; }

  // A spare keycode carrying `keysym`: the one that already does, else the
  // least recently used one not in `busy` (keys still down, whose release
  // must mean what their press meant). False when all are busy.
  bool TakeSpare(xkb_keysym_t keysym,
                 const std::vector<xkb_keycode_t>& busy,
                 xkb_keycode_t* keycode);

  // The text to upload: the seat's keymap with the spares' symbols.
  const std::string& text();
  size_t spare_count() const { return spares_.size(); }

 private:
  TypingKeymap(std::string base_text,
               std::unique_ptr<common::XkbKeyIndex> index,
               std::vector<SpareKey> spares);

  std::string base_text_;
  std::unique_ptr<common::XkbKeyIndex> index_;
  std::vector<SpareKey> spares_;
  uint64_t uses_ = 0;
  std::string text_;
  bool text_stale_ = true;
};

}  // namespace wlroots
}  // namespace quorvel

#endif  // QUORVEL_BACKEND_WLROOTS_TYPING_KEYMAP_H_
