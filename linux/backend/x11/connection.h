#ifndef QUORVEL_BACKEND_X11_CONNECTION_H_
#define QUORVEL_BACKEND_X11_CONNECTION_H_

#include <X11/Xlib.h>

namespace quorvel {
namespace x11 {

// Opens the display the environment names, with this plugin's own handling
// of what goes wrong on it: protocol errors of its requests are logged and
// dropped instead of reaching the process-wide handler (which exits or
// aborts the app), and the loss of the server only marks the connection
// lost. Null when the display cannot be opened.
Display* OpenConnection();

// True once the server of a connection OpenConnection made has gone away;
// nothing sent on it arrives any more.
bool ConnectionLost(Display* display);

// Reads whatever the server has sent without blocking, and hands each event
// to `on_event`; when nothing came, only looks at the socket. This is also
// how a lost server is noticed at the start of a call.
void DrainEvents(Display* display,
                 void (*on_event)(const XEvent& event, void* data),
                 void* data);

// Closes a connection OpenConnection made, lost or not.
void CloseConnection(Display* display);

}  // namespace x11
}  // namespace quorvel

#endif  // QUORVEL_BACKEND_X11_CONNECTION_H_
