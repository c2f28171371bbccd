#include "backend/common/pointer_buttons.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace quorvel {
namespace common {
namespace {

TEST(PointerButtonsTest, ButtonNamesAreMatchedExactly) {
  const struct {
    const char* name;
    unsigned button;
  } cases[] = {
      {"Middle", 2}, {"Right", 3}, {"Left", 1},   {"", 1},     {"middle", 1},
      {"right", 1},  {"RIGHT", 1}, {"Right ", 1}, {"Midd", 1}, {"Middle\n", 1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ButtonNumber(c.name), c.button) << '"' << c.name << '"';
  }
}

TEST(PointerButtonsTest, OnlyDownPresses) {
  EXPECT_TRUE(IsPress("Down"));
  for (const char* type : {"Up", "down", "DOWN", "", "Down ", "Press"}) {
    EXPECT_FALSE(IsPress(type)) << '"' << type << '"';
  }
}

TEST(PointerButtonsTest, WheelNotchesAndDirection) {
  constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
  constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
  const struct {
    int32_t delta;
    unsigned button;
    uint32_t notches;
  } cases[] = {
      {0, 5, 1},
      {1, 4, 1},
      {3, 4, 3},
      {-1, 5, 1},
      {-2, 5, 2},
      {static_cast<int32_t>(kMaxWheelNotches), 4, kMaxWheelNotches},
      {static_cast<int32_t>(kMaxWheelNotches) + 1, 4, kMaxWheelNotches},
      {-static_cast<int32_t>(kMaxWheelNotches) - 1, 5, kMaxWheelNotches},
      {kMax, 4, kMaxWheelNotches},
      {kMin, 5, kMaxWheelNotches},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(WheelButton(c.delta), c.button) << c.delta;
    EXPECT_EQ(WheelNotchCount(c.delta), c.notches) << c.delta;
  }
}

}  // namespace
}  // namespace common
}  // namespace quorvel
