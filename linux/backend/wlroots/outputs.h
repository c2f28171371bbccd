#ifndef QUORVEL_BACKEND_WLROOTS_OUTPUTS_H_
#define QUORVEL_BACKEND_WLROOTS_OUTPUTS_H_

#include <wayland-client.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "backend/backend.h"

struct zxdg_output_manager_v1;
struct zxdg_output_v1;
struct zxdg_output_v1_listener;

namespace quorvel {
namespace wlroots {

// The smallest rectangle around every output, in logical pixels: the area
// an unmapped virtual pointer's absolute motion is measured against.
struct DesktopBox {
  int32_t x = 0;
  int32_t y = 0;
  int32_t width = 0;
  int32_t height = 0;
};

// False for an empty list (no outputs, nowhere to point).
bool BoundingBox(const std::vector<ScreenInfo>& screens, DesktopBox* box);

// A stable id for an output name ("HEADLESS-1", "DP-2"): the same output
// keeps its id across calls and restarts of the compositor.
uint32_t OutputId(const std::string& name);

// The compositor's outputs: each wl_output for its name and scale, its
// xdg_output for where it sits in the layout and its size there. Follows
// outputs added, removed and changed while the connection lasts.
class Outputs {
 public:
  Outputs();
  ~Outputs();
  Outputs(const Outputs&) = delete;
  Outputs& operator=(const Outputs&) = delete;

  // The xdg_output manager arrived; outputs already bound get their
  // xdg_output now.
  void SetManager(zxdg_output_manager_v1* manager);
  // A wl_output global appeared or went away (registry names).
  void Add(wl_registry* registry, uint32_t global, uint32_t version);
  void Remove(uint32_t global);

  // Outputs whose logical geometry is known, in the order they appeared.
  std::vector<ScreenInfo> Screens() const;

 private:
  struct Output;
  static const wl_output_listener kOutputListener;
  static const ::zxdg_output_v1_listener kXdgOutputListener;
  void Track(Output* output);

  zxdg_output_manager_v1* manager_ = nullptr;
  std::vector<std::unique_ptr<Output>> outputs_;
};

}  // namespace wlroots
}  // namespace quorvel

#endif  // QUORVEL_BACKEND_WLROOTS_OUTPUTS_H_
