#include "backend/x11/screens.h"

#include <X11/extensions/Xrandr.h>

#include <memory>

#include "backend/x11/randr_screens.h"

namespace quorvel {
namespace x11 {
namespace {

struct ScreenResourcesDeleter {
  void operator()(XRRScreenResources* resources) const {
    XRRFreeScreenResources(resources);
  }
};
using ScreenResourcesPtr =
    std::unique_ptr<XRRScreenResources, ScreenResourcesDeleter>;

// Reads the records of one set of screen resources from the server.
class ServerRandrReader : public RandrReader {
 public:
  ServerRandrReader(Display* display, XRRScreenResources* resources)
      : display_(display), resources_(resources) {}

  OutputInfoPtr GetOutputInfo(RROutput output) override {
    return OutputInfoPtr(XRRGetOutputInfo(display_, resources_, output),
                         XRRFreeOutputInfo);
  }

  CrtcInfoPtr GetCrtcInfo(RRCrtc crtc) override {
    return CrtcInfoPtr(XRRGetCrtcInfo(display_, resources_, crtc),
                       XRRFreeCrtcInfo);
  }

 private:
  Display* display_;
  XRRScreenResources* resources_;
};

}  // namespace

bool GetScreenSize(Display* display, int32_t* width, int32_t* height) {
  // The size the connection was given when it opened; no round trip.
  const int screen = DefaultScreen(display);
  *width = DisplayWidth(display, screen);
  *height = DisplayHeight(display, screen);
  return true;
}

std::vector<ScreenInfo> GetScreenList(Display* display, Window root) {
  // The full request, not ...Current: it makes the server probe its outputs,
  // so a monitor plugged in since the last query is listed.
  ScreenResourcesPtr resources(XRRGetScreenResources(display, root));
  if (!resources) {
    return {};
  }
  return ScreensOfOutputs(display, resources.get(), resources->outputs,
                          resources->noutput);
}

std::vector<ScreenInfo> ScreensOfOutputs(Display* display,
                                         XRRScreenResources* resources,
                                         const RROutput* outputs,
                                         int output_count) {
  ServerRandrReader reader(display, resources);
  return ScreensFromRandr(outputs, output_count, reader);
}

}  // namespace x11
}  // namespace quorvel
