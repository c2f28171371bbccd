#include <gtest/gtest.h>

#include <chrono>

#include "backend/x11/keys.h"
#include "backend/x11/typing.h"
#include "keys/italian_characters.h"
#include "keys/scoped_alarm.h"

namespace quorvel {
namespace {

constexpr std::chrono::milliseconds kHold(15);

TEST(HoldKeyTest, LastsTheWholeDelay) {
  const auto start = std::chrono::steady_clock::now();
  x11::HoldKey();
  EXPECT_GE(std::chrono::steady_clock::now() - start, kHold);
}

TEST(HoldKeyTest, ResumesAfterASignal) {
  testing::ScopedAlarm alarm(std::chrono::milliseconds(5));
  const auto start = std::chrono::steady_clock::now();
  x11::HoldKey();
  const auto held = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(alarm.delivered(), 1);
  EXPECT_GE(held, kHold);
}

// Without a connection nothing can be typed, table character or key name.
TEST(TypeTextWithoutDisplayTest, ReturnsFalseForEveryText) {
  for (const char* character : testing::kItalianCharacters) {
    EXPECT_FALSE(x11::TypeText(nullptr, character)) << character;
  }
  for (const char* text : {"a", "Return", " ", ""}) {
    EXPECT_FALSE(x11::TypeText(nullptr, text)) << text;
  }
}

}  // namespace
}  // namespace quorvel
