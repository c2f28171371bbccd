#include "bare_requests.h"

#include <X11/extensions/XTest.h>
#include <X11/extensions/Xrandr.h>

namespace quorvel {
namespace bench {
namespace {

// The plugin's key hold, in milliseconds of the server's clock.
constexpr unsigned long kHoldMs = 15;

}  // namespace

void BareMoveMouse(Display* display, Window root, int x, int y) {
  XWarpPointer(display, None, root, 0, 0, 0, 0, x, y);
  XTestFakeMotionEvent(display, -1, x, y, 0);
  XFlush(display);
  XSync(display, False);
}

bool BareGetMouseCoords(Display* display, Window root) {
  Window root_return = 0;
  Window child = 0;
  int root_x = 0;
  int root_y = 0;
  int x = 0;
  int y = 0;
  unsigned int mask = 0;
  return XQueryPointer(display, root, &root_return, &child, &root_x, &root_y,
                       &x, &y, &mask);
}

int BareScreenList(Display* display, Window root) {
  XRRScreenResources* resources = XRRGetScreenResources(display, root);
  if (resources == nullptr) {
    return 0;
  }
  int screens = 0;
  for (int i = 0; i < resources->noutput; ++i) {
    XRROutputInfo* output =
        XRRGetOutputInfo(display, resources, resources->outputs[i]);
    if (output == nullptr) {
      continue;
    }
    if (output->connection == RR_Connected && output->crtc != 0) {
      XRRCrtcInfo* crtc = XRRGetCrtcInfo(display, resources, output->crtc);
      if (crtc != nullptr) {
        ++screens;
        XRRFreeCrtcInfo(crtc);
      }
    }
    XRRFreeOutputInfo(output);
  }
  XRRFreeScreenResources(resources);
  return screens;
}

void BareWheelUp(Display* display) {
  XTestFakeButtonEvent(display, Button4, True, 0);
  XTestFakeButtonEvent(display, Button4, False, 0);
  XFlush(display);
}

void BareMoveMouseAndClick(Display* display, int x, int y, bool press) {
  XTestFakeMotionEvent(display, -1, x, y, 0);
  XTestFakeButtonEvent(display, Button1, press ? True : False, 0);
  XFlush(display);
}

void BareKeyTap(Display* display, KeySym keysym, KeySym modifier) {
  const KeyCode key = XKeysymToKeycode(display, keysym);
  const KeyCode shift = modifier ? XKeysymToKeycode(display, modifier) : 0;
  if (shift) {
    XTestFakeKeyEvent(display, shift, True, 0);
  }
  XTestFakeKeyEvent(display, key, True, 0);
  XTestFakeKeyEvent(display, key, False, kHoldMs);
  if (shift) {
    XTestFakeKeyEvent(display, shift, False, 0);
  }
  XFlush(display);
}

}  // namespace bench
}  // namespace quorvel
