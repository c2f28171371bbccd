#ifndef QUORVEL_BACKEND_X11_KEYMAP_H_
#define QUORVEL_BACKEND_X11_KEYMAP_H_

#include <X11/XKBlib.h>

#include <cstdint>
#include <string>

#include "backend/x11/character_keys.h"
#include "backend/x11/key_index.h"
#include "backend/x11/spare_keycodes.h"

namespace quorvel {
namespace x11 {

// The connection's keyboard map as XKB has it now, kept current from the
// notices the server sends, and the spare keycodes typing borrows.
//
// The map is read when the connection opens and again only after a notice
// said it changed, and it is read on a connection of its own: a round trip
// on the connection that sends the keys waits behind every key release the
// server is still holding back (kKeyHoldDelayMs each).
class Keymap {
 public:
  Keymap() = default;
  ~Keymap();
  Keymap(const Keymap&) = delete;
  Keymap& operator=(const Keymap&) = delete;

  // Starts following the keyboard of `display`: selects the XKB notices this
  // class reads, opens the connection the map is read on, and reads it.
  // Once per connection.
  void Attach(Display* display);
  // Forgets the connection and everything read from it, and closes the
  // one the map was read on (sends nothing on `display`).
  void Detach();
  // Every event read from the connection passes through here.
  void OnEvent(const XEvent& event);

  // The keycode that carries `keysym` on the current map (a spare keycode
  // typing put it on included), 0 when none does.
  KeyCode KeycodeFor(KeySym keysym);

  // KeycodeFor(TranslateMacVk(mac_key)).
  KeyCode KeycodeForMac(uint32_t mac_key);

  // The chord of a key of the current map (spares left out) that types
  // `code_point` when `mods` are already on; see KeyIndex::FindChord.
  // Null without XKB or when no key types it.
  const Chord* ChordFor(unsigned mods, char32_t code_point);
  // See KeyIndex::CharacterChord.
  const Chord* CharacterChordFor(unsigned mods,
                                 const std::string& text,
                                 char32_t code_point);

  // Puts back every spare keycode typing mapped that still carries what was
  // put there, and flushes.
  void RestoreSpares();

  // The current map; null without a connection or without XKB.
  const XkbDescRec* Map();
  // The active group and the locked modifiers (Caps Lock, Num Lock), as the
  // last load or notice left them.
  int group() const { return group_; }
  unsigned locked_mods() const { return locked_mods_; }

  // A keycode carrying `level1` and `level2` for the moment: a spare that
  // already carries them, else the spare used least recently, given those
  // symbols now. 0 when no spare is free.
  KeyCode MapOnSpare(KeySym level1, KeySym level2);

  // Typing sent a key whose release the server holds back for
  // kKeyHoldDelayMs. The server acts on nothing else from this connection
  // meanwhile, so when a spare keycode is really used runs behind the
  // app's clock by the holds still pending; spares are timed on the
  // server's side.
  void NoteHold();

 private:
  // Reads the map, and with `with_state` the group and the locked
  // modifiers too.
  void Load(bool with_state);
  // Builds the index again if the map or the group changed since.
  void UpdateIndex();
  void ResetSpares();
  // Gives `keycode` the symbols, so that neither Shift nor Caps Lock
  // changes what it types.
  bool PutOnKey(KeyCode keycode, KeySym level1, KeySym level2);
  void FreeMap();
  // True when a notice about keys first..first+count-1 only reports what
  // this class put on its spare keycodes.
  bool OnlyOwnSpares(int first, int count) const;
  void OnXkbEvent(const XkbEvent& event);
  // When the server will act on a request sent now: after the holds still
  // pending.
  SparePool::Clock::time_point ServerTime() const;

  Display* display_ = nullptr;
  // A second connection to the same server, for reading the map; null when
  // it could not be opened (the map is then read on `display_`).
  Display* reader_ = nullptr;
  // The XKB event code, -1 when the server has no XKB.
  int xkb_event_ = -1;
  XkbDescPtr map_ = nullptr;
  bool stale_ = true;
  int group_ = 0;
  unsigned locked_mods_ = 0;
  SparePool spares_;
  KeyIndex index_;
  bool index_stale_ = true;
  SparePool::Clock::time_point holds_end_;
};

}  // namespace x11
}  // namespace quorvel

#endif  // QUORVEL_BACKEND_X11_KEYMAP_H_
