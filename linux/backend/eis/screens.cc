#include "backend/eis/screens.h"

#include <algorithm>
#include <limits>

namespace quorvel {
namespace eis {
namespace {

int32_t Signed(uint32_t value) {
  return static_cast<int32_t>(std::min<uint32_t>(
      value, static_cast<uint32_t>(std::numeric_limits<int32_t>::max())));
}

// FNV-1a over the position's eight bytes: ids that look like ids, not like
// coordinates, and never 0.
uint32_t PositionId(uint32_t x, uint32_t y) {
  uint32_t hash = 2166136261u;
  for (uint32_t value : {x, y}) {
    for (int shift = 0; shift < 32; shift += 8) {
      hash = (hash ^ ((value >> shift) & 0xff)) * 16777619u;
    }
  }
  return hash == 0 ? 1 : hash;
}

}  // namespace

std::vector<ScreenInfo> ScreensFromRegions(const std::vector<Region>& regions) {
  std::vector<ScreenInfo> screens;
  for (const Region& region : regions) {
    ScreenInfo screen;
    screen.id = PositionId(region.x, region.y);
    while (
        std::any_of(screens.begin(), screens.end(),
                    [&](const ScreenInfo& s) { return s.id == screen.id; })) {
      screen.id =
          screen.id == std::numeric_limits<uint32_t>::max() ? 1 : screen.id + 1;
    }
    screen.x = Signed(region.x);
    screen.y = Signed(region.y);
    screen.width = Signed(region.width);
    screen.height = Signed(region.height);
    screen.scale = region.scale > 0 ? region.scale : 1.0;
    screens.push_back(screen);
  }
  return screens;
}

}  // namespace eis
}  // namespace quorvel
