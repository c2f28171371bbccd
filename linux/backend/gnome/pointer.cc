#include "backend/gnome/pointer.h"

#include <algorithm>
#include <limits>

#include "backend/common/pointer_buttons.h"

namespace quorvel {
namespace gnome {
namespace {

// NotifyPointerAxisDiscrete's axis 0 is the vertical wheel; its steps count
// downwards, the opposite of the channel's delta.
constexpr uint32_t kVerticalAxis = 0;

// Squared distance from (x, y) to the monitor's rectangle; 0 inside.
double DistanceSquared(const ScreenInfo& s, double x, double y) {
  const double dx =
      x < s.x ? s.x - x : (x >= s.x + s.width ? x - (s.x + s.width - 1) : 0);
  const double dy =
      y < s.y ? s.y - y : (y >= s.y + s.height ? y - (s.y + s.height - 1) : 0);
  return dx * dx + dy * dy;
}

}  // namespace

bool MapToStream(const std::vector<Monitor>& monitors,
                 int32_t x,
                 int32_t y,
                 StreamPoint* point) {
  double best = std::numeric_limits<double>::infinity();
  for (size_t i = 0; i < monitors.size(); i++) {
    const double distance = DistanceSquared(monitors[i].info, x, y);
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
  const double local_x =
      std::clamp<double>(x - s.x, 0, std::max(s.width - 1, 0));
  const double local_y =
      std::clamp<double>(y - s.y, 0, std::max(s.height - 1, 0));
  point->x = local_x * monitor.stream_scale;
  point->y = local_y * monitor.stream_scale;
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
