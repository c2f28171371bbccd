#include "backend/wlroots/virtual_devices.h"

#include <fcntl.h>
#include <glib.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>

#include "virtual-keyboard-unstable-v1-client-protocol.h"
#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

namespace quorvel {
namespace wlroots {
namespace {

// What one wheel notch scrolls in wl_pointer's continuous units; libinput
// reports 15 (degrees of wheel rotation) per notch, and clients scale by
// it.
constexpr double kNotchValue = 15.0;
// evdev codes are XKB keycodes less this.
constexpr uint32_t kEvdevOffset = 8;

// A sealed in-memory file holding `text` and its NUL, as compositors read
// keymaps; -1 on failure.
int KeymapFile(const std::string& text) {
  const int fd =
      memfd_create("quorvel-keymap", MFD_CLOEXEC | MFD_ALLOW_SEALING);
  if (fd < 0) {
    return -1;
  }
  const size_t size = text.size() + 1;
  size_t written = 0;
  while (written < size) {
    const ssize_t n = write(fd, text.c_str() + written, size - written);
    if (n <= 0) {
      close(fd);
      return -1;
    }
    written += static_cast<size_t>(n);
  }
  fcntl(fd, F_ADD_SEALS,
        F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE | F_SEAL_SEAL);
  return fd;
}

}  // namespace

uint32_t EventTime() {
  return static_cast<uint32_t>(g_get_monotonic_time() / 1000);
}

VirtualPointer::VirtualPointer(Connection* connection)
    : pointer_(zwlr_virtual_pointer_manager_v1_create_virtual_pointer(
          connection->pointer_manager(),
          connection->seat()->seat())) {}

VirtualPointer::~VirtualPointer() {
  zwlr_virtual_pointer_v1_destroy(pointer_);
}

void VirtualPointer::MoveTo(const DesktopBox& box, int32_t x, int32_t y) {
  // Only the fraction x / extent counts; a point off the box is clamped to
  // its edge, which the compositor then moves onto the nearest output.
  const int64_t left =
      std::clamp<int64_t>(int64_t{x} - box.x, 0, box.width - 1);
  const int64_t top =
      std::clamp<int64_t>(int64_t{y} - box.y, 0, box.height - 1);
  zwlr_virtual_pointer_v1_motion_absolute(
      pointer_, EventTime(), static_cast<uint32_t>(left),
      static_cast<uint32_t>(top), static_cast<uint32_t>(box.width),
      static_cast<uint32_t>(box.height));
  zwlr_virtual_pointer_v1_frame(pointer_);
}

void VirtualPointer::Button(int32_t button, bool pressed) {
  zwlr_virtual_pointer_v1_button(pointer_, EventTime(),
                                 static_cast<uint32_t>(button),
                                 pressed ? WL_POINTER_BUTTON_STATE_PRESSED
                                         : WL_POINTER_BUTTON_STATE_RELEASED);
  zwlr_virtual_pointer_v1_frame(pointer_);
}

void VirtualPointer::Wheel(int32_t steps) {
  zwlr_virtual_pointer_v1_axis_discrete(
      pointer_, EventTime(), WL_POINTER_AXIS_VERTICAL_SCROLL,
      wl_fixed_from_double(kNotchValue * steps), steps);
  // wlroots applies a source to the axis of the request before it.
  zwlr_virtual_pointer_v1_axis_source(pointer_, WL_POINTER_AXIS_SOURCE_WHEEL);
  zwlr_virtual_pointer_v1_frame(pointer_);
}

VirtualKeyboard::VirtualKeyboard(Connection* connection)
    : keyboard_(zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(
          connection->keyboard_manager(),
          connection->seat()->seat())) {}

VirtualKeyboard::~VirtualKeyboard() {
  zwp_virtual_keyboard_v1_destroy(keyboard_);
}

bool VirtualKeyboard::SetKeymap(const std::string& text) {
  const int fd = KeymapFile(text);
  if (fd < 0) {
    return false;
  }
  zwp_virtual_keyboard_v1_keymap(keyboard_, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1,
                                 fd, static_cast<uint32_t>(text.size() + 1));
  // libwayland keeps its own duplicate until the request is sent.
  close(fd);
  return true;
}

void VirtualKeyboard::Key(uint32_t keycode, bool pressed) {
  zwp_virtual_keyboard_v1_key(
      keyboard_, EventTime(), keycode - kEvdevOffset,
      pressed ? WL_KEYBOARD_KEY_STATE_PRESSED : WL_KEYBOARD_KEY_STATE_RELEASED);
}

void VirtualKeyboard::Modifiers(uint32_t depressed,
                                uint32_t latched,
                                uint32_t locked,
                                uint32_t group) {
  zwp_virtual_keyboard_v1_modifiers(keyboard_, depressed, latched, locked,
                                    group);
}

}  // namespace wlroots
}  // namespace quorvel
