#ifndef QUORVEL_BACKEND_WLROOTS_VIRTUAL_DEVICES_H_
#define QUORVEL_BACKEND_WLROOTS_VIRTUAL_DEVICES_H_

#include <cstdint>
#include <string>

#include "backend/wlroots/connection.h"
#include "backend/wlroots/outputs.h"

struct zwlr_virtual_pointer_v1;
struct zwp_virtual_keyboard_v1;

namespace quorvel {
namespace wlroots {

// The time stamp input events carry: the monotonic clock in milliseconds,
// the clock compositors stamp real devices' events with. Clients see it
// unchanged.
uint32_t EventTime();

// A pointer device of our own on the seat. Each call sends one event (its
// requests closed by a frame); nothing is flushed here.
class VirtualPointer {
 public:
  explicit VirtualPointer(Connection* connection);
  ~VirtualPointer();
  VirtualPointer(const VirtualPointer&) = delete;
  VirtualPointer& operator=(const VirtualPointer&) = delete;

  // To (x, y) of the desktop, in logical pixels; the compositor clamps it
  // onto the nearest output.
  void MoveTo(const DesktopBox& box, int32_t x, int32_t y);
  // `button`: a Linux input event code (BTN_LEFT...).
  void Button(int32_t button, bool pressed);
  // `steps` wheel notches, positive downwards.
  void Wheel(int32_t steps);

 private:
  zwlr_virtual_pointer_v1* pointer_;
};

// A keyboard device of our own on the seat, typing through the keymap it
// was last given.
class VirtualKeyboard {
 public:
  explicit VirtualKeyboard(Connection* connection);
  ~VirtualKeyboard();
  VirtualKeyboard(const VirtualKeyboard&) = delete;
  VirtualKeyboard& operator=(const VirtualKeyboard&) = delete;

  // Hands the compositor `text` as this device's keymap; false when it
  // could not be put in a file.
  bool SetKeymap(const std::string& text);
  // `keycode`: an XKB keycode (evdev code + 8).
  void Key(uint32_t keycode, bool pressed);
  void Modifiers(uint32_t depressed,
                 uint32_t latched,
                 uint32_t locked,
                 uint32_t group);

 private:
  zwp_virtual_keyboard_v1* keyboard_;
};

}  // namespace wlroots
}  // namespace quorvel

#endif  // QUORVEL_BACKEND_WLROOTS_VIRTUAL_DEVICES_H_
