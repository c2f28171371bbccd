#ifndef QUORVEL_BACKEND_EIS_KEYBOARD_H_
#define QUORVEL_BACKEND_EIS_KEYBOARD_H_

#include <xkbcommon/xkbcommon.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "backend/common/xkb_key_index.h"

namespace quorvel {
namespace eis {

// The keys to press for one character or key, as evdev codes: the
// modifiers in order, then `key`.
struct KeyChord {
  uint32_t key = 0;
  std::vector<uint32_t> modifiers;
};

// The EIS keyboard as the compositor defines it: its XKB keymap (an EI
// device carries the compositor's own, read-only; keys are sent as evdev
// codes and the compositor reads them through it) and the state typing
// starts from: the layout in effect and the modifiers on, as the
// compositor's modifier events state them, as its layout switcher
// announces, and as the keys sent through it change them.
class Keyboard {
 public:
  Keyboard();
  ~Keyboard();
  Keyboard(const Keyboard&) = delete;
  Keyboard& operator=(const Keyboard&) = delete;

  // Compiles the keymap text of `size` bytes behind `fd` (XKB text v1);
  // false, with no keymap, when it cannot be read or compiled. The state
  // starts over in the layout last announced.
  bool Load(int fd, size_t size);
  // The same from the text itself.
  bool LoadText(const std::string& text);
  // Forgets the keymap (the device went away).
  void Clear();
  bool loaded() const { return index_ != nullptr; }

  // A key sent through the device, pressed or released.
  void NoteKey(uint32_t evdev, bool pressed);
  // The compositor's modifier state (an EI modifiers event).
  void SetModifiers(uint32_t depressed,
                    uint32_t latched,
                    uint32_t locked,
                    uint32_t group);
  // The layout the compositor switched to (also remembered for a keymap
  // loaded later).
  void SetLayout(uint32_t layout);

  // The layout in effect and the modifiers typing cannot take away.
  common::XkbTypingState TypingState() const;

  // The evdev code of the key carrying `keysym`, preferring the layout in
  // effect; 0 without a keymap or when no key carries it.
  uint32_t KeyFor(uint32_t keysym) const;
  // What to press so a client reads `text`, one character: the Italian
  // layout's chord where it types the character here, else the key and
  // level of the layout in effect that give it. False when the layout in
  // effect cannot type it.
  bool ChordFor(const std::string& text,
                char32_t code_point,
                KeyChord* chord) const;

 private:
  xkb_context* context_;
  std::unique_ptr<common::XkbKeyIndex> index_;
  // Follows the keys sent and the compositor's announcements.
  xkb_state* state_ = nullptr;
  uint32_t layout_ = 0;
};

}  // namespace eis
}  // namespace quorvel

#endif  // QUORVEL_BACKEND_EIS_KEYBOARD_H_
