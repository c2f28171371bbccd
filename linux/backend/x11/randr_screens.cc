#include "backend/x11/randr_screens.h"

namespace quorvel {
namespace x11 {

std::vector<ScreenInfo> ScreensFromRandr(const RROutput* outputs,
                                         int output_count,
                                         RandrReader& reader) {
  std::vector<ScreenInfo> screens;
  for (int i = 0; i < output_count; ++i) {
    OutputInfoPtr output = reader.GetOutputInfo(outputs[i]);
    // An unknown connection state counts as not connected, and an output
    // without a CRTC is switched off: neither shows anything.
    if (!output || output->connection != RR_Connected || output->crtc == 0) {
      continue;
    }
    CrtcInfoPtr crtc = reader.GetCrtcInfo(output->crtc);
    if (!crtc) {
      continue;
    }
    ScreenInfo screen;
    // XIDs fit in 32 bits; RROutput is only as wide as a long.
    screen.id = static_cast<uint32_t>(outputs[i]);
    screen.width = static_cast<int32_t>(crtc->width);
    screen.height = static_cast<int32_t>(crtc->height);
    screen.x = crtc->x;
    screen.y = crtc->y;
    screen.scale = 1.0;
    screens.push_back(screen);
  }
  return screens;
}

}  // namespace x11
}  // namespace quorvel
