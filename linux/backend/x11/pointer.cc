#include "backend/x11/pointer.h"

#include <X11/extensions/XTest.h>

#include <algorithm>

#include "backend/common/pointer_buttons.h"
#include "backend/x11/connection.h"

namespace quorvel {
namespace x11 {
namespace {

// XTest delay 0: the server acts on each fake event at once.
constexpr unsigned long kNoDelay = 0;
// XTest screen -1: the screen the pointer is on.
constexpr int kPointerScreen = -1;

// Warp and XTest carry coordinates in 16-bit fields, where Xlib would
// silently wrap a larger value (65636 lands at 100). A point beyond them is
// taken to the nearest edge instead.
int Coordinate(int32_t value) {
  return std::clamp<int32_t>(value, -32768, 32767);
}

void FakeMotion(Display* display, int32_t x, int32_t y) {
  XTestFakeMotionEvent(display, kPointerScreen, Coordinate(x), Coordinate(y),
                       kNoDelay);
}

void FakeButton(Display* display, unsigned button, bool press) {
  XTestFakeButtonEvent(display, button, press ? True : False, kNoDelay);
}

}  // namespace

void MoveMouse(Display* display, Window root, int32_t x, int32_t y) {
  // The warp moves the core pointer even where XTest motion is confined or
  // filtered; the XTest motion makes clients see it as device input.
  XWarpPointer(display, None, root, 0, 0, 0, 0, Coordinate(x), Coordinate(y));
  FakeMotion(display, x, y);
  // Sends both and waits until the server has carried them out: a
  // following query of the position must see the move.
  XSync(display, False);
}

void WheelMouse(Display* display, int32_t delta) {
  const unsigned button = common::WheelButton(delta);
  const uint32_t notches = common::WheelNotchCount(delta);
  for (uint32_t i = 0; i < notches; ++i) {
    FakeButton(display, button, true);
    FakeButton(display, button, false);
  }
  SendRequests(display);
}

void MouseClick(Display* display,
                int32_t x,
                int32_t y,
                unsigned button,
                bool press) {
  // The transition happens where the caller says, wherever the pointer was.
  FakeMotion(display, x, y);
  FakeButton(display, button, press);
  SendRequests(display);
}

void DoubleClick(Display* display, int32_t x, int32_t y) {
  FakeMotion(display, x, y);
  for (int click = 0; click < 2; ++click) {
    FakeButton(display, Button1, true);
    FakeButton(display, Button1, false);
  }
  SendRequests(display);
}

bool GetMouseCoords(Display* display, Window root, int32_t* x, int32_t* y) {
  Window root_return = 0;
  Window child_return = 0;
  int root_x = 0;
  int root_y = 0;
  int window_x = 0;
  int window_y = 0;
  unsigned int mask = 0;
  // False when the pointer is on another screen than `root`.
  if (!XQueryPointer(display, root, &root_return, &child_return, &root_x,
                     &root_y, &window_x, &window_y, &mask)) {
    return false;
  }
  *x = root_x;
  *y = root_y;
  return true;
}

}  // namespace x11
}  // namespace quorvel
