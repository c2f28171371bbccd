#ifndef QUORVEL_BENCH_BARE_REQUESTS_H_
#define QUORVEL_BENCH_BARE_REQUESTS_H_

#include <X11/Xlib.h>

// The X requests each pointer method of the plugin makes, made directly:
// the floor its channel path is measured against.
namespace quorvel {
namespace bench {

// "moveMouse": warp, XTest motion, flush, sync.
void BareMoveMouse(Display* display, Window root, int x, int y);

// "getMouseCoords": one pointer query. False when it failed.
bool BareGetMouseCoords(Display* display, Window root);

// "screenList": the screen resources, every output's information and the
// CRTC of each connected one, all freed. Returns the number of screens.
int BareScreenList(Display* display, Window root);

// "wheelMouse" with delta 1: a press and a release of button 4, flush.
void BareWheelUp(Display* display);

// "moveMouseAndClick" with the left button: XTest motion, one transition,
// flush.
void BareMoveMouseAndClick(Display* display, int x, int y, bool press);

// Every key method: `modifier` (0 for none) and the key pressed, the key
// released after the 15 ms hold as XTest's own delay, the modifier
// released, one flush. The server does the waiting.
void BareKeyTap(Display* display, KeySym keysym, KeySym modifier = 0);

}  // namespace bench
}  // namespace quorvel

#endif  // QUORVEL_BENCH_BARE_REQUESTS_H_
