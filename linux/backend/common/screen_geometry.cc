#include "backend/common/screen_geometry.h"

#include <algorithm>
#include <limits>

namespace quorvel {
namespace common {

double DistanceSquared(const ScreenInfo& s, double x, double y) {
  const double dx =
      x < s.x ? s.x - x : (x >= s.x + s.width ? x - (s.x + s.width - 1) : 0);
  const double dy =
      y < s.y ? s.y - y : (y >= s.y + s.height ? y - (s.y + s.height - 1) : 0);
  return dx * dx + dy * dy;
}

size_t NearestScreen(const std::vector<ScreenInfo>& screens,
                     int32_t x,
                     int32_t y) {
  size_t nearest = screens.size();
  double best = std::numeric_limits<double>::infinity();
  for (size_t i = 0; i < screens.size(); i++) {
    const double distance = DistanceSquared(screens[i], x, y);
    if (distance < best) {
      best = distance;
      nearest = i;
    }
  }
  return nearest;
}

bool DesktopSize(const std::vector<ScreenInfo>& screens,
                 int32_t* width,
                 int32_t* height) {
  if (screens.empty()) {
    return false;
  }
  int32_t right = 0;
  int32_t bottom = 0;
  for (const ScreenInfo& screen : screens) {
    right = std::max(right, screen.x + screen.width);
    bottom = std::max(bottom, screen.y + screen.height);
  }
  *width = right;
  *height = bottom;
  return true;
}

void ClampToScreen(const ScreenInfo& s, int32_t* x, int32_t* y) {
  // In 64 bits: an edge near the 32-bit limits must not wrap.
  const int64_t right = static_cast<int64_t>(s.x) + std::max(s.width - 1, 0);
  const int64_t bottom = static_cast<int64_t>(s.y) + std::max(s.height - 1, 0);
  *x = static_cast<int32_t>(std::clamp<int64_t>(*x, s.x, right));
  *y = static_cast<int32_t>(std::clamp<int64_t>(*y, s.y, bottom));
}

}  // namespace common
}  // namespace quorvel
