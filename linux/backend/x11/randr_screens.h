#ifndef QUORVEL_BACKEND_X11_RANDR_SCREENS_H_
#define QUORVEL_BACKEND_X11_RANDR_SCREENS_H_

#include "backend/x11/xlib.h"

#include <X11/extensions/Xrandr.h>

#include <memory>
#include <vector>

#include "backend/backend.h"

namespace quorvel {
namespace x11 {

// Owned RandR records. The deleter travels with the pointer so that a test
// can hand out records of its own making.
using OutputInfoPtr = std::unique_ptr<XRROutputInfo, void (*)(XRROutputInfo*)>;
using CrtcInfoPtr = std::unique_ptr<XRRCrtcInfo, void (*)(XRRCrtcInfo*)>;

// Where the per-output and per-CRTC records come from: the server, or a fake.
// A null pointer means the record could not be read.
class RandrReader {
 public:
  virtual ~RandrReader() = default;
  virtual OutputInfoPtr GetOutputInfo(RROutput output) = 0;
  virtual CrtcInfoPtr GetCrtcInfo(RRCrtc crtc) = 0;
};

// One entry per output in `outputs` order that is connected, has a CRTC and
// whose records can be read. Each record is released before the next output
// is read, the CRTC's before its output's.
std::vector<ScreenInfo> ScreensFromRandr(const RROutput* outputs,
                                         int output_count,
                                         RandrReader& reader);

}  // namespace x11
}  // namespace quorvel

#endif  // QUORVEL_BACKEND_X11_RANDR_SCREENS_H_
