#ifndef QUORVEL_BACKEND_WLROOTS_KEYBOARD_H_
#define QUORVEL_BACKEND_WLROOTS_KEYBOARD_H_

#include <xkbcommon/xkbcommon.h>

#include <memory>
#include <string>
#include <vector>

#include "backend/common/xkb_key_index.h"
#include "backend/wlroots/connection.h"
#include "backend/wlroots/typing_keymap.h"
#include "backend/wlroots/virtual_devices.h"

namespace quorvel {
namespace wlroots {

// The virtual keyboard as the app drives it: keys of the seat's keymap,
// characters from the keymap's own keys or from spare ones, and the
// modifier state a real keyboard would report, which the compositor does
// not work out from the keys itself. Sends; never flushes.
class Keyboard {
 public:
  // Creates the device and hands it `keymap`.
  Keyboard(Connection* connection, std::unique_ptr<TypingKeymap> keymap);
  ~Keyboard();
  Keyboard(const Keyboard&) = delete;
  Keyboard& operator=(const Keyboard&) = delete;

  // Types through `keymap` from now on (the user's layout changed, or the
  // compositor put its own keymap on our device); sent before the next key.
  void Rebase(std::unique_ptr<TypingKeymap> keymap);
  // Sends the keymap when it changed since it was last sent, or `always`:
  // a compositor may have replaced it without saying so.
  void SendKeymap(bool always);

  // The seat's key for `keysym` without modifiers added, 0 when none.
  xkb_keycode_t KeyFor(xkb_keysym_t keysym) const;
  // A press or release as a real keyboard makes it, followed by the
  // modifier state it leaves.
  void SendKey(xkb_keycode_t keycode, bool pressed);

  // A typed character's key: as SendKey, but the modifiers stay what
  // SendTypingModifiers set until RestoreModifiers.
  void TypeKey(xkb_keycode_t keycode, bool pressed);

  // The key and modifiers that type `keysym`: the seat's keys where they
  // have it, else a spare key given it (the keymap then goes out first).
  // False when none can.
  bool ChordFor(xkb_keysym_t keysym, common::XkbKeyLevel* chord);
  // Exactly `mods` while a typed character's key is down, then back to
  // what the keys held report.
  void SendTypingModifiers(xkb_mod_mask_t mods);
  void RestoreModifiers();

  // Releases every key still down, last pressed first.
  void ReleaseAll();
  const std::vector<xkb_keycode_t>& down() const { return down_; }

 private:
  void SendModifiers(xkb_mod_mask_t depressed,
                     xkb_mod_mask_t latched,
                     xkb_mod_mask_t locked);
  void ResetState();
  void Track(xkb_keycode_t keycode, bool pressed);

  VirtualKeyboard device_;
  std::unique_ptr<TypingKeymap> keymap_;
  xkb_state* state_ = nullptr;
  std::vector<xkb_keycode_t> down_;
  std::string sent_keymap_;
  // What the last modifiers request said, so only changes are sent.
  xkb_mod_mask_t sent_mods_[3] = {0, 0, 0};
};

}  // namespace wlroots
}  // namespace quorvel

#endif  // QUORVEL_BACKEND_WLROOTS_KEYBOARD_H_
