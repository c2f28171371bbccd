#include "backend/x11/pointer.h"

namespace quorvel {
namespace x11 {

void MoveMouse(Display*, Window, int32_t, int32_t) {}
void WheelMouse(Display*, int32_t) {}
void MouseClick(Display*,
                int32_t,
                int32_t,
                const std::string&,
                const std::string&) {}
void DoubleClick(Display*, int32_t, int32_t) {}
bool GetMouseCoords(Display*, Window, int32_t*, int32_t*) {
  return false;
}

}  // namespace x11
}  // namespace quorvel
