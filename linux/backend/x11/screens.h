#ifndef QUORVEL_BACKEND_X11_SCREENS_H_
#define QUORVEL_BACKEND_X11_SCREENS_H_

#include "backend/x11/xlib.h"

#include <X11/extensions/Xrandr.h>

#include <cstdint>
#include <vector>

#include "backend/backend.h"

namespace quorvel {
namespace x11 {

bool GetScreenSize(Display* display, int32_t* width, int32_t* height);
std::vector<ScreenInfo> GetScreenList(Display* display, Window root);

// The monitors among `outputs` of `resources`. An output unplugged since
// the resources were read fails on the server and is skipped.
std::vector<ScreenInfo> ScreensOfOutputs(Display* display,
                                         XRRScreenResources* resources,
                                         const RROutput* outputs,
                                         int output_count);

}  // namespace x11
}  // namespace quorvel

#endif  // QUORVEL_BACKEND_X11_SCREENS_H_
