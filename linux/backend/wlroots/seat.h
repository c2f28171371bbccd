#ifndef QUORVEL_BACKEND_WLROOTS_SEAT_H_
#define QUORVEL_BACKEND_WLROOTS_SEAT_H_

#include <wayland-client.h>

#include <cstdint>
#include <functional>
#include <string>

namespace quorvel {
namespace wlroots {

// The keymap text the compositor hands a wl_keyboard (`size` bytes of a
// read-only file, NUL included); empty when it cannot be read.
std::string ReadKeymapFile(int fd, uint32_t size);

// The seat the virtual devices join, with a wl_keyboard of our own: the
// compositor sends it the keymap of the keyboard in use, which is what the
// user's keys mean. No surface of ours ever has focus, so it receives no
// keys.
class Seat {
 public:
  Seat(wl_registry* registry, uint32_t global, uint32_t version);
  ~Seat();
  Seat(const Seat&) = delete;
  Seat& operator=(const Seat&) = delete;

  wl_seat* seat() const { return seat_; }
  bool has_keyboard() const { return keyboard_ != nullptr; }
  // The last XKB keymap text received; empty before any.
  const std::string& keymap() const { return keymap_; }

  // Called with each keymap received after this is set.
  void OnKeymap(std::function<void(const std::string&)> callback) {
    on_keymap_ = std::move(callback);
  }

 private:
  static const wl_seat_listener kSeatListener;
  static const wl_keyboard_listener kKeyboardListener;

  wl_seat* seat_ = nullptr;
  wl_keyboard* keyboard_ = nullptr;
  std::string keymap_;
  std::function<void(const std::string&)> on_keymap_;
};

}  // namespace wlroots
}  // namespace quorvel

#endif  // QUORVEL_BACKEND_WLROOTS_SEAT_H_
