#ifndef QUORVEL_BACKEND_COMMON_SCREEN_GEOMETRY_H_
#define QUORVEL_BACKEND_COMMON_SCREEN_GEOMETRY_H_

#include <cstddef>
#include <cstdint>
#include <vector>

#include "backend/backend.h"

namespace quorvel {
namespace common {

// Squared distance from (x, y) to the screen's area; 0 inside it.
double DistanceSquared(const ScreenInfo& screen, double x, double y);

// The index of the screen whose area holds (x, y), else of the nearest one
// (the first of equals); screens.size() when there is none.
size_t NearestScreen(const std::vector<ScreenInfo>& screens,
                     int32_t x,
                     int32_t y);

// The size of the desktop the screens make up: from the origin to the
// rightmost and the lowest edge. False, writing nothing, without screens.
bool DesktopSize(const std::vector<ScreenInfo>& screens,
                 int32_t* width,
                 int32_t* height);

// (x, y) moved onto the nearest pixel of the screen's area.
void ClampToScreen(const ScreenInfo& screen, int32_t* x, int32_t* y);

}  // namespace common
}  // namespace quorvel

#endif  // QUORVEL_BACKEND_COMMON_SCREEN_GEOMETRY_H_
