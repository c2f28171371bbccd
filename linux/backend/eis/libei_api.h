#ifndef QUORVEL_BACKEND_EIS_LIBEI_API_H_
#define QUORVEL_BACKEND_EIS_LIBEI_API_H_

// The part of libei 1.x (the client side of the emulated-input protocol) the
// EIS backend uses, declared here rather than taken from <libei.h>: libei has
// no package on Debian 11 or 12 or Ubuntu 22.04, where apps are still built,
// so the plugin loads libei.so.1 at run time (LoadLibei) and builds
// everywhere. tests/eis/libei_api_check.cc compiles these declarations
// against the real header and fails on any difference.

#include <cstddef>
#include <cstdint>
#include <string>

// libei's objects, opaque, under the names <libei.h> gives them.
extern "C" {
struct ei;
struct ei_device;
struct ei_event;
struct ei_keymap;
struct ei_ping;
struct ei_region;
struct ei_seat;
}

namespace quorvel {
namespace eis {

// libei's enumerations travel as the unsigned int a C compiler makes of an
// enumeration without negative values; the values are those of libei.h.
using EiEnum = unsigned int;

// enum ei_event_type
constexpr EiEnum kEventConnect = 1;
constexpr EiEnum kEventDisconnect = 2;
constexpr EiEnum kEventSeatAdded = 3;
constexpr EiEnum kEventSeatRemoved = 4;
constexpr EiEnum kEventDeviceAdded = 5;
constexpr EiEnum kEventDeviceRemoved = 6;
constexpr EiEnum kEventDevicePaused = 7;
constexpr EiEnum kEventDeviceResumed = 8;
constexpr EiEnum kEventKeyboardModifiers = 9;
constexpr EiEnum kEventPong = 90;

// enum ei_device_capability
constexpr EiEnum kCapPointer = 1 << 0;
constexpr EiEnum kCapPointerAbsolute = 1 << 1;
constexpr EiEnum kCapKeyboard = 1 << 2;
constexpr EiEnum kCapTouch = 1 << 3;
constexpr EiEnum kCapScroll = 1 << 4;
constexpr EiEnum kCapButton = 1 << 5;

// enum ei_keymap_type
constexpr EiEnum kKeymapTypeXkb = 1;

// enum ei_log_priority
constexpr EiEnum kLogPriorityError = 40;

// One pointer per libei function, named as libei names it.
struct LibeiApi {
  struct ei* (*ei_new_sender)(void* user_data);
  struct ei* (*ei_unref)(struct ei* ei);
  void (*ei_configure_name)(struct ei* ei, const char* name);
  void (*ei_log_set_priority)(struct ei* ei, EiEnum priority);
  int (*ei_setup_backend_fd)(struct ei* ei, int fd);
  int (*ei_get_fd)(struct ei* ei);
  void (*ei_dispatch)(struct ei* ei);
  struct ei_event* (*ei_get_event)(struct ei* ei);
  uint64_t (*ei_now)(struct ei* ei);

  struct ei_event* (*ei_event_unref)(struct ei_event* event);
  EiEnum (*ei_event_get_type)(struct ei_event* event);
  struct ei_seat* (*ei_event_get_seat)(struct ei_event* event);
  struct ei_device* (*ei_event_get_device)(struct ei_event* event);
  uint32_t (*ei_event_keyboard_get_xkb_mods_depressed)(struct ei_event* event);
  uint32_t (*ei_event_keyboard_get_xkb_mods_latched)(struct ei_event* event);
  uint32_t (*ei_event_keyboard_get_xkb_mods_locked)(struct ei_event* event);
  uint32_t (*ei_event_keyboard_get_xkb_group)(struct ei_event* event);

  struct ei_seat* (*ei_seat_ref)(struct ei_seat* seat);
  struct ei_seat* (*ei_seat_unref)(struct ei_seat* seat);
  bool (*ei_seat_has_capability)(struct ei_seat* seat, EiEnum cap);
  // The capabilities, then a null pointer.
  void (*ei_seat_bind_capabilities)(struct ei_seat* seat, ...);

  struct ei_device* (*ei_device_ref)(struct ei_device* device);
  struct ei_device* (*ei_device_unref)(struct ei_device* device);
  bool (*ei_device_has_capability)(struct ei_device* device, EiEnum cap);
  struct ei_region* (*ei_device_get_region)(struct ei_device* device,
                                            size_t index);
  struct ei_keymap* (*ei_device_keyboard_get_keymap)(struct ei_device* device);
  void (*ei_device_start_emulating)(struct ei_device* device,
                                    uint32_t sequence);
  void (*ei_device_frame)(struct ei_device* device, uint64_t time);
  void (*ei_device_pointer_motion_absolute)(struct ei_device* device,
                                            double x,
                                            double y);
  void (*ei_device_button_button)(struct ei_device* device,
                                  uint32_t button,
                                  bool is_press);
  void (*ei_device_scroll_discrete)(struct ei_device* device,
                                    int32_t x,
                                    int32_t y);
  void (*ei_device_keyboard_key)(struct ei_device* device,
                                 uint32_t keycode,
                                 bool is_press);

  uint32_t (*ei_region_get_x)(struct ei_region* region);
  uint32_t (*ei_region_get_y)(struct ei_region* region);
  uint32_t (*ei_region_get_width)(struct ei_region* region);
  uint32_t (*ei_region_get_height)(struct ei_region* region);
  double (*ei_region_get_physical_scale)(struct ei_region* region);

  EiEnum (*ei_keymap_get_type)(struct ei_keymap* keymap);
  int (*ei_keymap_get_fd)(struct ei_keymap* keymap);
  size_t (*ei_keymap_get_size)(struct ei_keymap* keymap);

  // libei 1.4 and later (null before): a round trip, which tells when the
  // compositor has handled everything sent before it.
  struct ei_ping* (*ei_new_ping)(struct ei* ei);
  void (*ei_ping)(struct ei_ping* ping);
  struct ei_ping* (*ei_ping_unref)(struct ei_ping* ping);
  struct ei_ping* (*ei_event_pong_get_ping)(struct ei_event* event);
};

// The shared library the functions come from: the soname of libei 1.x.
constexpr char kLibeiSoname[] = "libei.so.1";

// libei, loaded on the first call and kept for the process's life; null
// when the library or one of its functions is missing, `error` (if given)
// then says why. Later calls give the same answer without trying again.
const LibeiApi* LoadLibei(std::string* error);

}  // namespace eis
}  // namespace quorvel

#endif  // QUORVEL_BACKEND_EIS_LIBEI_API_H_
