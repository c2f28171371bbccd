#include "backend/x11/pointer_buttons.h"

#include <algorithm>

namespace quorvel {
namespace x11 {

unsigned ButtonNumber(const std::string& name) {
  if (name == "Middle") {
    return 2;
  }
  if (name == "Right") {
    return 3;
  }
  return 1;
}

bool IsPress(const std::string& type) {
  return type == "Down";
}

unsigned WheelButton(int32_t delta) {
  return delta > 0 ? 4 : 5;
}

uint32_t WheelNotchCount(int32_t delta) {
  if (delta == 0) {
    return 1;
  }
  // In unsigned arithmetic so that -2^31 has a magnitude too.
  const uint32_t magnitude = delta > 0 ? static_cast<uint32_t>(delta)
                                       : 0u - static_cast<uint32_t>(delta);
  return std::min(magnitude, kMaxWheelNotches);
}

}  // namespace x11
}  // namespace quorvel
