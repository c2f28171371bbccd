#ifndef QUORVEL_BACKEND_X11_POINTER_H_
#define QUORVEL_BACKEND_X11_POINTER_H_

#include <X11/Xlib.h>

#include <cstdint>

namespace quorvel {
namespace x11 {

// Pointer injection on an open connection. Callers test the display first.
void MoveMouse(Display* display, Window root, int32_t x, int32_t y);
void WheelMouse(Display* display, int32_t delta);
// One transition of core button `button` at (x, y).
void MouseClick(Display* display,
                int32_t x,
                int32_t y,
                unsigned button,
                bool press);
void DoubleClick(Display* display, int32_t x, int32_t y);
bool GetMouseCoords(Display* display, Window root, int32_t* x, int32_t* y);

}  // namespace x11
}  // namespace quorvel

#endif  // QUORVEL_BACKEND_X11_POINTER_H_
