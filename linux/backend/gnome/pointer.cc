#include "backend/gnome/pointer.h"

#include <limits>

#include "backend/common/pointer_buttons.h"
#include "backend/common/screen_geometry.h"

namespace quorvel {
namespace gnome {
namespace {

// NotifyPointerAxisDiscrete's axis 0 is the vertical wheel; its steps count
// downwards, the opposite of the channel's delta.
constexpr uint32_t kVerticalAxis = 0;

}  // namespace

bool MapToStream(const std::vector<Monitor>& monitors,
                 int32_t x,
                 int32_t y,
                 StreamPoint* point) {
  double best = std::numeric_limits<double>::infinity();
  for (size_t i = 0; i < monitors.size(); i++) {
    const double distance = common::DistanceSquared(monitors[i].info, x, y);
    if (distance < best) {
      best = distance;
      point->monitor = i;
    }
  }
  if (monitors.empty()) {
    return false;
  }
  const Monitor& monitor = monitors[point->monitor];
  const ScreenInfo& s = monitor.info;
  int32_t on_x = x;
  int32_t on_y = y;
  common::ClampToScreen(s, &on_x, &on_y);
  point->x = static_cast<double>(on_x - s.x) * monitor.stream_scale;
  point->y = static_cast<double>(on_y - s.y) * monitor.stream_scale;
  return true;
}

void QueueMotion(RemoteDesktopSession* session,
                 const std::vector<Monitor>& monitors,
                 int32_t x,
                 int32_t y) {
  StreamPoint point;
  if (!MapToStream(monitors, x, y, &point)) {
    return;
  }
  const std::string stream =
      session->StreamFor(monitors[point.monitor].connector);
  if (stream.empty()) {
    return;
  }
  session->Notify("NotifyPointerMotionAbsolute",
                  g_variant_new("(sdd)", stream.c_str(), point.x, point.y));
}

void QueueButton(RemoteDesktopSession* session, int32_t button, bool pressed) {
  session->Notify("NotifyPointerButton",
                  g_variant_new("(ib)", button, pressed ? TRUE : FALSE));
}

void QueueWheel(RemoteDesktopSession* session, int32_t delta) {
  const int32_t steps = static_cast<int32_t>(common::WheelNotchCount(delta));
  session->Notify(
      "NotifyPointerAxisDiscrete",
      g_variant_new("(ui)", kVerticalAxis,
                    common::WheelButton(delta) == 4 ? -steps : steps));
}

}  // namespace gnome
}  // namespace quorvel
