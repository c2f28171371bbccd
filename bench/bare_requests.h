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

// "keyboardPress" of a table character with one KeySym, and "keyboardClick"
// without a type: each transition resolved and flushed on its own, the
// 15 ms hold between them.
void BareFlushedKeyPress(Display* display, KeySym keysym);

// "keyboardPress" of a KeySym name: one lookup, the press held in the output
// buffer during the hold, one flush after the release.
void BareNamedKeyPress(Display* display, const char* name);

}  // namespace bench
}  // namespace quorvel

#endif  // QUORVEL_BENCH_BARE_REQUESTS_H_
