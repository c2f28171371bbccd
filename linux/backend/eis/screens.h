#ifndef QUORVEL_BACKEND_EIS_SCREENS_H_
#define QUORVEL_BACKEND_EIS_SCREENS_H_

#include <cstdint>
#include <vector>

#include "backend/backend.h"

namespace quorvel {
namespace eis {

// One region of an absolute EI device: an output, in the desktop's logical
// pixels, with its physical scale.
struct Region {
  uint32_t x = 0;
  uint32_t y = 0;
  uint32_t width = 0;
  uint32_t height = 0;
  double scale = 1.0;
};

// One screen per region, in the regions' order: their position and size
// (clamped to 32-bit signed values), their scale, and an id made from the
// position, so the same layout gives the same ids on every call and every
// connection; outputs at one position (mirrored) get distinct ids.
std::vector<ScreenInfo> ScreensFromRegions(const std::vector<Region>& regions);

}  // namespace eis
}  // namespace quorvel

#endif  // QUORVEL_BACKEND_EIS_SCREENS_H_
