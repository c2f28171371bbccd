#ifndef QUORVEL_BACKEND_X11_XLIB_H_
#define QUORVEL_BACKEND_X11_XLIB_H_

// Xlib for code that also sees the Backend interface. X.h names its
// key-press event type with a macro, KeyPress, which would rename the Backend
// operation of that name. Include this before any other X header: X.h is
// then read once, here, and the macro is gone for the rest of the file. No
// code of ours needs the event type by that name.
#include <X11/Xlib.h>
#undef KeyPress

#endif  // QUORVEL_BACKEND_X11_XLIB_H_
