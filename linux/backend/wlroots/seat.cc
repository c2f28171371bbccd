#include "backend/wlroots/seat.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace quorvel {
namespace wlroots {
namespace {

// Version 5 has wl_keyboard.release; nothing newer is needed.
constexpr uint32_t kSeatVersion = 5;
constexpr uint32_t kReleaseVersion = 3;

}  // namespace

std::string ReadKeymapFile(int fd, uint32_t size) {
  if (size == 0) {
    return {};
  }
  void* data = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
  if (data == MAP_FAILED) {
    return {};
  }
  const char* text = static_cast<const char*>(data);
  std::string keymap(text, strnlen(text, size));
  munmap(data, size);
  return keymap;
}

Seat::Seat(wl_registry* registry, uint32_t global, uint32_t version)
    : seat_(static_cast<wl_seat*>(
          wl_registry_bind(registry,
                           global,
                           &wl_seat_interface,
                           std::min(version, kSeatVersion)))) {
  wl_seat_add_listener(seat_, &kSeatListener, this);
}

Seat::~Seat() {
  if (keyboard_) {
    if (wl_keyboard_get_version(keyboard_) >= kReleaseVersion) {
      wl_keyboard_release(keyboard_);
    } else {
      wl_keyboard_destroy(keyboard_);
    }
  }
  if (wl_seat_get_version(seat_) >= 5) {
    wl_seat_release(seat_);
  } else {
    wl_seat_destroy(seat_);
  }
}

const wl_seat_listener Seat::kSeatListener = {
    [](void* data, wl_seat* seat, uint32_t capabilities) {
      auto* self = static_cast<Seat*>(data);
      // Our own virtual keyboard gives a seat without one its keyboard
      // capability; the keymap that then arrives is ours, and the
      // backend tells the two apart.
      if ((capabilities & WL_SEAT_CAPABILITY_KEYBOARD) && !self->keyboard_) {
        self->keyboard_ = wl_seat_get_keyboard(seat);
        wl_keyboard_add_listener(self->keyboard_, &kKeyboardListener, self);
      }
    },
    [](void*, wl_seat*, const char*) {},  // name
};

const wl_keyboard_listener Seat::kKeyboardListener = {
    [](void* data, wl_keyboard*, uint32_t format, int32_t fd, uint32_t size) {
      auto* self = static_cast<Seat*>(data);
      std::string keymap;
      if (format == WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1) {
        keymap = ReadKeymapFile(fd, size);
      }
      close(fd);
      if (keymap.empty()) {
        return;
      }
      self->keymap_ = keymap;
      if (self->on_keymap_) {
        self->on_keymap_(self->keymap_);
      }
    },
    [](void*, wl_keyboard*, uint32_t, wl_surface*, wl_array*) {},  // enter
    [](void*, wl_keyboard*, uint32_t, wl_surface*) {},             // leave
    [](void*, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t) {},  // key
    [](void*, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) {
    },                                             // modifiers
    [](void*, wl_keyboard*, int32_t, int32_t) {},  // repeat_info
};

}  // namespace wlroots
}  // namespace quorvel
