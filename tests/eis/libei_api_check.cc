// The plugin's own declarations of libei (backend/eis/libei_api.h) against
// the real <libei.h>: every function pointer has the type of the function it
// is loaded from, with libei's enumerations passed as their underlying type,
// and every constant has libei's value. Compiles or fails; nothing to run.
// Built inside the Debian 13 root, which has libei's header (CTest:
// libei_api_check).

#include <libei.h>

#include <type_traits>

// ei_seat_bind_capabilities carries the sentinel attribute, which a function
// pointer type cannot; the types compared are the same without it.
#pragma GCC diagnostic ignored "-Wignored-attributes"

#include "backend/eis/libei_api.h"

namespace {

using quorvel::eis::EiEnum;
using quorvel::eis::LibeiApi;

// A type as the plugin's declarations pass it: libei's enumerations become
// their underlying type, everything else stays.
template <typename T, bool = std::is_enum<T>::value>
struct AsPassed {
  using type = T;
};
template <typename T>
struct AsPassed<T, true> {
  using type = std::underlying_type_t<T>;
};
template <typename R, typename... A>
struct AsPassed<R (*)(A...), false> {
  using type = typename AsPassed<R>::type (*)(typename AsPassed<A>::type...);
};
template <typename R, typename... A>
struct AsPassed<R (*)(A..., ...), false> {
  using type = typename AsPassed<R>::type (*)(typename AsPassed<A>::type...,
                                              ...);
};

// The plugin passes every enumeration as EiEnum; the compiler must agree.
static_assert(
    std::is_same<std::underlying_type_t<enum ei_event_type>, EiEnum>::value,
    "ei_event_type");
static_assert(std::is_same<std::underlying_type_t<enum ei_device_capability>,
                           EiEnum>::value,
              "ei_device_capability");
static_assert(
    std::is_same<std::underlying_type_t<enum ei_keymap_type>, EiEnum>::value,
    "ei_keymap_type");
static_assert(
    std::is_same<std::underlying_type_t<enum ei_log_priority>, EiEnum>::value,
    "ei_log_priority");

#define QUORVEL_SAME_TYPE(name)                                         \
  static_assert(std::is_same<decltype(LibeiApi::name),                  \
                             AsPassed<decltype(&::name)>::type>::value, \
                #name " differs from libei.h")

QUORVEL_SAME_TYPE(ei_new_sender);
QUORVEL_SAME_TYPE(ei_unref);
QUORVEL_SAME_TYPE(ei_configure_name);
QUORVEL_SAME_TYPE(ei_log_set_priority);
QUORVEL_SAME_TYPE(ei_setup_backend_fd);
QUORVEL_SAME_TYPE(ei_get_fd);
QUORVEL_SAME_TYPE(ei_dispatch);
QUORVEL_SAME_TYPE(ei_get_event);
QUORVEL_SAME_TYPE(ei_now);
QUORVEL_SAME_TYPE(ei_event_unref);
QUORVEL_SAME_TYPE(ei_event_get_type);
QUORVEL_SAME_TYPE(ei_event_get_seat);
QUORVEL_SAME_TYPE(ei_event_get_device);
QUORVEL_SAME_TYPE(ei_event_keyboard_get_xkb_mods_depressed);
QUORVEL_SAME_TYPE(ei_event_keyboard_get_xkb_mods_latched);
QUORVEL_SAME_TYPE(ei_event_keyboard_get_xkb_mods_locked);
QUORVEL_SAME_TYPE(ei_event_keyboard_get_xkb_group);
QUORVEL_SAME_TYPE(ei_seat_ref);
QUORVEL_SAME_TYPE(ei_seat_unref);
QUORVEL_SAME_TYPE(ei_seat_has_capability);
QUORVEL_SAME_TYPE(ei_seat_bind_capabilities);
QUORVEL_SAME_TYPE(ei_device_ref);
QUORVEL_SAME_TYPE(ei_device_unref);
QUORVEL_SAME_TYPE(ei_device_has_capability);
QUORVEL_SAME_TYPE(ei_device_get_region);
QUORVEL_SAME_TYPE(ei_device_keyboard_get_keymap);
QUORVEL_SAME_TYPE(ei_device_start_emulating);
QUORVEL_SAME_TYPE(ei_device_frame);
QUORVEL_SAME_TYPE(ei_device_pointer_motion_absolute);
QUORVEL_SAME_TYPE(ei_device_button_button);
QUORVEL_SAME_TYPE(ei_device_scroll_discrete);
QUORVEL_SAME_TYPE(ei_device_keyboard_key);
QUORVEL_SAME_TYPE(ei_region_get_x);
QUORVEL_SAME_TYPE(ei_region_get_y);
QUORVEL_SAME_TYPE(ei_region_get_width);
QUORVEL_SAME_TYPE(ei_region_get_height);
QUORVEL_SAME_TYPE(ei_region_get_physical_scale);
QUORVEL_SAME_TYPE(ei_keymap_get_type);
QUORVEL_SAME_TYPE(ei_keymap_get_fd);
QUORVEL_SAME_TYPE(ei_keymap_get_size);
QUORVEL_SAME_TYPE(ei_new_ping);
QUORVEL_SAME_TYPE(ei_ping);
QUORVEL_SAME_TYPE(ei_ping_unref);
QUORVEL_SAME_TYPE(ei_event_pong_get_ping);

// Every member of LibeiApi is checked above: a new one grows the struct.
static_assert(sizeof(LibeiApi) == 44 * sizeof(void (*)()),
              "a LibeiApi member without a check");

// The message names our constant; its value differs from libei's.
#define QUORVEL_SAME_VALUE(ours, theirs) \
  static_assert(quorvel::eis::ours == (theirs), #ours)

QUORVEL_SAME_VALUE(kEventConnect, EI_EVENT_CONNECT);
QUORVEL_SAME_VALUE(kEventDisconnect, EI_EVENT_DISCONNECT);
QUORVEL_SAME_VALUE(kEventSeatAdded, EI_EVENT_SEAT_ADDED);
QUORVEL_SAME_VALUE(kEventSeatRemoved, EI_EVENT_SEAT_REMOVED);
QUORVEL_SAME_VALUE(kEventDeviceAdded, EI_EVENT_DEVICE_ADDED);
QUORVEL_SAME_VALUE(kEventDeviceRemoved, EI_EVENT_DEVICE_REMOVED);
QUORVEL_SAME_VALUE(kEventDevicePaused, EI_EVENT_DEVICE_PAUSED);
QUORVEL_SAME_VALUE(kEventDeviceResumed, EI_EVENT_DEVICE_RESUMED);
QUORVEL_SAME_VALUE(kEventKeyboardModifiers, EI_EVENT_KEYBOARD_MODIFIERS);
QUORVEL_SAME_VALUE(kEventPong, EI_EVENT_PONG);
QUORVEL_SAME_VALUE(kCapPointer, EI_DEVICE_CAP_POINTER);
QUORVEL_SAME_VALUE(kCapPointerAbsolute, EI_DEVICE_CAP_POINTER_ABSOLUTE);
QUORVEL_SAME_VALUE(kCapKeyboard, EI_DEVICE_CAP_KEYBOARD);
QUORVEL_SAME_VALUE(kCapTouch, EI_DEVICE_CAP_TOUCH);
QUORVEL_SAME_VALUE(kCapScroll, EI_DEVICE_CAP_SCROLL);
QUORVEL_SAME_VALUE(kCapButton, EI_DEVICE_CAP_BUTTON);
QUORVEL_SAME_VALUE(kKeymapTypeXkb, EI_KEYMAP_TYPE_XKB);
QUORVEL_SAME_VALUE(kLogPriorityError, EI_LOG_PRIORITY_ERROR);

}  // namespace
