#ifndef QUORVEL_BACKEND_X11_CURSOR_H_
#define QUORVEL_BACKEND_X11_CURSOR_H_

#include <X11/Xlib.h>

namespace quorvel {
namespace x11 {

// Hides the pointer on `root`: an invisible cursor (made once, kept in
// *blank_cursor) and, where the server has it, XFixes. No-op when
// *cursor_hidden is already true.
void HideCursor(Display* display,
                Window root,
                bool* cursor_hidden,
                Cursor* blank_cursor);
// Undoes HideCursor. No-op when *cursor_hidden is false.
void ShowCursor(Display* display, Window root, bool* cursor_hidden);

}  // namespace x11
}  // namespace quorvel

#endif  // QUORVEL_BACKEND_X11_CURSOR_H_
