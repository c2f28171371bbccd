#include "backend/common/pointer_buttons.h"

#include <algorithm>

namespace quorvel {
namespace common {

unsigned ButtonNumber(std::string_view name) {
  if (name == "Middle") {
    return 2;
  }
  if (name == "Right") {
    return 3;
  }
  return 1;
}

int32_t EvdevButton(std::string_view name) {
  switch (ButtonNumber(name)) {
    case 2:
      return kButtonMiddle;
    case 3:
      return kButtonRight;
    default:
      return kButtonLeft;
  }
}

bool IsPress(std::string_view type) {
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

}  // namespace common
}  // namespace quorvel
