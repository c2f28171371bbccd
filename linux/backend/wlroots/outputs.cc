#include "backend/wlroots/outputs.h"

#include <algorithm>

#include "xdg-output-unstable-v1-client-protocol.h"

namespace quorvel {
namespace wlroots {
namespace {

// wl_output 4 sends the output's name; older compositors, and builds
// against libwayland before 1.20 (Debian 11), take it from xdg_output
// (version 2) instead.
#ifdef WL_OUTPUT_NAME_SINCE_VERSION
constexpr uint32_t kOutputVersion = 4;
#else
constexpr uint32_t kOutputVersion = 3;
#endif

}  // namespace

// What the compositor said about one output; `pending` collects a change
// until the `done` that ends it.
struct Outputs::Output {
  uint32_t global = 0;
  wl_output* output = nullptr;
  zxdg_output_v1* xdg_output = nullptr;
  std::string name;
  ScreenInfo pending;
  ScreenInfo current;
  bool placed = false;          // logical geometry in effect
  bool xdg_done_ends = true;    // before xdg_output 3, its own done counts
  bool pending_placed = false;  // logical geometry received, not yet done

  // The compositor's `done`: the collected change takes effect at once.
  void Commit() {
    current = pending;
    placed = pending_placed;
  }
};

bool BoundingBox(const std::vector<ScreenInfo>& screens, DesktopBox* box) {
  if (screens.empty()) {
    return false;
  }
  int32_t left = screens[0].x;
  int32_t top = screens[0].y;
  int32_t right = screens[0].x + screens[0].width;
  int32_t bottom = screens[0].y + screens[0].height;
  for (const ScreenInfo& s : screens) {
    left = std::min(left, s.x);
    top = std::min(top, s.y);
    right = std::max(right, s.x + s.width);
    bottom = std::max(bottom, s.y + s.height);
  }
  *box = {left, top, right - left, bottom - top};
  return box->width > 0 && box->height > 0;
}

uint32_t OutputId(const std::string& name) {
  // FNV-1a: small, stable across runs and machines, unlike std::hash.
  uint32_t hash = 2166136261u;
  for (unsigned char c : name) {
    hash = (hash ^ c) * 16777619u;
  }
  return hash;
}

Outputs::Outputs() = default;

Outputs::~Outputs() {
  for (const auto& output : outputs_) {
    if (output->xdg_output) {
      zxdg_output_v1_destroy(output->xdg_output);
    }
    wl_output_destroy(output->output);
  }
  if (manager_) {
    zxdg_output_manager_v1_destroy(manager_);
  }
}

void Outputs::SetManager(zxdg_output_manager_v1* manager) {
  manager_ = manager;
  for (const auto& output : outputs_) {
    Track(output.get());
  }
}

void Outputs::Add(wl_registry* registry, uint32_t global, uint32_t version) {
  auto output = std::make_unique<Output>();
  output->global = global;
  output->output = static_cast<wl_output*>(
      wl_registry_bind(registry, global, &wl_output_interface,
                       std::min(version, kOutputVersion)));
  wl_output_add_listener(output->output, &kOutputListener, output.get());
  Track(output.get());
  outputs_.push_back(std::move(output));
}

void Outputs::Remove(uint32_t global) {
  for (auto it = outputs_.begin(); it != outputs_.end(); ++it) {
    if ((*it)->global == global) {
      if ((*it)->xdg_output) {
        zxdg_output_v1_destroy((*it)->xdg_output);
      }
      wl_output_destroy((*it)->output);
      outputs_.erase(it);
      return;
    }
  }
}

std::vector<ScreenInfo> Outputs::Screens() const {
  std::vector<ScreenInfo> screens;
  for (const auto& output : outputs_) {
    if (output->placed && output->current.width > 0 &&
        output->current.height > 0) {
      screens.push_back(output->current);
    }
  }
  return screens;
}

void Outputs::Track(Output* output) {
  if (!manager_ || output->xdg_output) {
    return;
  }
  output->xdg_done_ends = zxdg_output_manager_v1_get_version(manager_) < 3;
  output->xdg_output =
      zxdg_output_manager_v1_get_xdg_output(manager_, output->output);
  zxdg_output_v1_add_listener(output->xdg_output, &kXdgOutputListener, output);
}

const wl_output_listener Outputs::kOutputListener = {
    // geometry: wlroots always reports 0,0 here; the position comes from
    // xdg_output.
    [](void*,
       wl_output*,
       int32_t,
       int32_t,
       int32_t,
       int32_t,
       int32_t,
       const char*,
       const char*,
       int32_t) {},
    [](void*, wl_output*, uint32_t, int32_t, int32_t, int32_t) {},  // mode
    [](void* data, wl_output*) {                                    // done
      static_cast<Output*>(data)->Commit();
    },
    [](void* data, wl_output*, int32_t factor) {  // scale
      static_cast<Output*>(data)->pending.scale = factor;
    },
#ifdef WL_OUTPUT_NAME_SINCE_VERSION
    [](void* data, wl_output*, const char* name) {  // name (version 4)
      auto* output = static_cast<Output*>(data);
      output->name = name;
      output->pending.id = OutputId(name);
    },
    [](void*, wl_output*, const char*) {},  // description
#endif
};

const zxdg_output_v1_listener Outputs::kXdgOutputListener = {
    [](void* data, zxdg_output_v1*, int32_t x, int32_t y) {
      auto* output = static_cast<Output*>(data);
      output->pending.x = x;
      output->pending.y = y;
      output->pending_placed = true;
    },
    [](void* data, zxdg_output_v1*, int32_t width, int32_t height) {
      auto* output = static_cast<Output*>(data);
      output->pending.width = width;
      output->pending.height = height;
    },
    [](void* data, zxdg_output_v1*) {  // done
      auto* output = static_cast<Output*>(data);
      if (output->xdg_done_ends) {
        output->Commit();
      }
    },
    [](void* data, zxdg_output_v1*, const char* name) {
      auto* output = static_cast<Output*>(data);
      if (output->name.empty()) {
        output->name = name;
        output->pending.id = OutputId(name);
      }
    },
    [](void*, zxdg_output_v1*, const char*) {},  // description
};

}  // namespace wlroots
}  // namespace quorvel
