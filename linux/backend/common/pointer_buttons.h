#ifndef QUORVEL_BACKEND_COMMON_POINTER_BUTTONS_H_
#define QUORVEL_BACKEND_COMMON_POINTER_BUTTONS_H_

#include <cstdint>
#include <string_view>

namespace quorvel {
namespace common {

// Far above any real gesture (a fast flick is a few dozen notches), yet it
// keeps one call from queueing billions of requests and blocking the app's
// UI thread, as a delta near -2^31 otherwise would.
constexpr uint32_t kMaxWheelNotches = 4096;

// Core button number for a channel button name: "Middle" → 2, "Right" → 3,
// anything else (compared exactly) → 1.
unsigned ButtonNumber(std::string_view name);

// Linux input event codes of the buttons (linux/input-event-codes.h), which
// Wayland compositors take instead of X's button numbers.
constexpr int32_t kButtonLeft = 0x110;    // BTN_LEFT, 272
constexpr int32_t kButtonRight = 0x111;   // BTN_RIGHT, 273
constexpr int32_t kButtonMiddle = 0x112;  // BTN_MIDDLE, 274

// The evdev code of a channel button name, as ButtonNumber maps names to
// numbers: "Right" → right, "Middle" → middle, anything else → left.
int32_t EvdevButton(std::string_view name);

// True for exactly "Down"; every other transition name releases.
bool IsPress(std::string_view type);

// Button 4 scrolls up for a positive delta; 5 scrolls down otherwise,
// including for 0.
unsigned WheelButton(int32_t delta);

// |delta| notches, 1 for delta 0, at most kMaxWheelNotches.
uint32_t WheelNotchCount(int32_t delta);

}  // namespace common
}  // namespace quorvel

#endif  // QUORVEL_BACKEND_COMMON_POINTER_BUTTONS_H_
