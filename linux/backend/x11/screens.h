#ifndef QUORVEL_BACKEND_X11_SCREENS_H_
#define QUORVEL_BACKEND_X11_SCREENS_H_

#include <X11/Xlib.h>

#include <cstdint>
#include <vector>

#include "backend/backend.h"

namespace quorvel {
namespace x11 {

bool GetScreenSize(Display* display, int32_t* width, int32_t* height);
std::vector<ScreenInfo> GetScreenList(Display* display, Window root);

}  // namespace x11
}  // namespace quorvel

#endif  // QUORVEL_BACKEND_X11_SCREENS_H_
