#include "backend/eis/libei_api.h"

#include <dlfcn.h>

namespace quorvel {
namespace eis {
namespace {

struct Loaded {
  LibeiApi api = {};
  bool ok = false;
  std::string error;
};

template <typename Function>
bool Resolve(void* library, const char* name, Function* function) {
  *function = reinterpret_cast<Function>(dlsym(library, name));
  return *function != nullptr;
}

Loaded Load() {
  Loaded loaded;
  // Kept open for the process's life: the backend may connect again at any
  // time, and libei keeps no thread that would outlive an unload anyway.
  void* library = dlopen(kLibeiSoname, RTLD_NOW | RTLD_LOCAL);
  if (!library) {
    const char* reason = dlerror();
    loaded.error = reason ? reason : kLibeiSoname;
    return loaded;
  }
  LibeiApi& api = loaded.api;
  const char* missing = nullptr;
#define QUORVEL_RESOLVE(name)                            \
  if (!missing && !Resolve(library, #name, &api.name)) { \
    missing = #name;                                     \
  }
  QUORVEL_RESOLVE(ei_new_sender)
  QUORVEL_RESOLVE(ei_unref)
  QUORVEL_RESOLVE(ei_configure_name)
  QUORVEL_RESOLVE(ei_log_set_priority)
  QUORVEL_RESOLVE(ei_setup_backend_fd)
  QUORVEL_RESOLVE(ei_get_fd)
  QUORVEL_RESOLVE(ei_dispatch)
  QUORVEL_RESOLVE(ei_get_event)
  QUORVEL_RESOLVE(ei_now)
  QUORVEL_RESOLVE(ei_event_unref)
  QUORVEL_RESOLVE(ei_event_get_type)
  QUORVEL_RESOLVE(ei_event_get_seat)
  QUORVEL_RESOLVE(ei_event_get_device)
  QUORVEL_RESOLVE(ei_event_keyboard_get_xkb_mods_depressed)
  QUORVEL_RESOLVE(ei_event_keyboard_get_xkb_mods_latched)
  QUORVEL_RESOLVE(ei_event_keyboard_get_xkb_mods_locked)
  QUORVEL_RESOLVE(ei_event_keyboard_get_xkb_group)
  QUORVEL_RESOLVE(ei_seat_ref)
  QUORVEL_RESOLVE(ei_seat_unref)
  QUORVEL_RESOLVE(ei_seat_has_capability)
  QUORVEL_RESOLVE(ei_seat_bind_capabilities)
  QUORVEL_RESOLVE(ei_device_ref)
  QUORVEL_RESOLVE(ei_device_unref)
  QUORVEL_RESOLVE(ei_device_has_capability)
  QUORVEL_RESOLVE(ei_device_get_region)
  QUORVEL_RESOLVE(ei_device_keyboard_get_keymap)
  QUORVEL_RESOLVE(ei_device_start_emulating)
  QUORVEL_RESOLVE(ei_device_frame)
  QUORVEL_RESOLVE(ei_device_pointer_motion_absolute)
  QUORVEL_RESOLVE(ei_device_button_button)
  QUORVEL_RESOLVE(ei_device_scroll_discrete)
  QUORVEL_RESOLVE(ei_device_keyboard_key)
  QUORVEL_RESOLVE(ei_region_get_x)
  QUORVEL_RESOLVE(ei_region_get_y)
  QUORVEL_RESOLVE(ei_region_get_width)
  QUORVEL_RESOLVE(ei_region_get_height)
  QUORVEL_RESOLVE(ei_region_get_physical_scale)
  QUORVEL_RESOLVE(ei_keymap_get_type)
  QUORVEL_RESOLVE(ei_keymap_get_fd)
  QUORVEL_RESOLVE(ei_keymap_get_size)
#undef QUORVEL_RESOLVE
  if (missing) {
    loaded.error = std::string(kLibeiSoname) + " has no " + missing;
    return loaded;
  }
  // The round trip is all or nothing: a library with only part of it is
  // used without.
  if (!Resolve(library, "ei_new_ping", &api.ei_new_ping) ||
      !Resolve(library, "ei_ping", &api.ei_ping) ||
      !Resolve(library, "ei_ping_unref", &api.ei_ping_unref) ||
      !Resolve(library, "ei_event_pong_get_ping",
               &api.ei_event_pong_get_ping)) {
    api.ei_new_ping = nullptr;
    api.ei_ping = nullptr;
    api.ei_ping_unref = nullptr;
    api.ei_event_pong_get_ping = nullptr;
  }
  loaded.ok = true;
  return loaded;
}

}  // namespace

const LibeiApi* LoadLibei(std::string* error) {
  static const Loaded loaded = Load();
  if (!loaded.ok && error) {
    *error = loaded.error;
  }
  return loaded.ok ? &loaded.api : nullptr;
}

}  // namespace eis
}  // namespace quorvel
