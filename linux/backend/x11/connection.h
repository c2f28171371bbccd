#ifndef QUORVEL_BACKEND_X11_CONNECTION_H_
#define QUORVEL_BACKEND_X11_CONNECTION_H_

#include <X11/Xlib.h>

#include <atomic>

namespace quorvel {
namespace x11 {

// Opens the display the environment names, with this plugin's own handling
// of what goes wrong on it: protocol errors of its requests are logged and
// dropped instead of reaching the process-wide handler (which exits or
// aborts the app), and the loss of the server only marks the connection
// lost. Null when the display cannot be opened.
Display* OpenConnection();

namespace internal {
// Set once any connection OpenConnection made has been lost.
extern std::atomic<bool> any_connection_lost;
bool IsLost(Display* display);
}  // namespace internal

// True once the server of a connection OpenConnection made has gone away;
// nothing sent on it arrives any more. Until some connection has been lost,
// every call asks this and is told no without a lock or a call.
inline bool ConnectionLost(Display* display) {
  return internal::any_connection_lost.load() && internal::IsLost(display);
}

// Reads whatever the server has sent without blocking, and hands each event
// to `on_event`; when nothing came, only looks at the socket. This is also
// how a lost server is noticed at the start of a call.
void DrainEvents(Display* display,
                 void (*on_event)(const XEvent& event, void* data),
                 void* data);

// DrainEvents without the look at the socket first: reads even when the
// socket is empty, for events libxcb may already have taken in (see
// SendRequests).
void ReadEvents(Display* display,
                void (*on_event)(const XEvent& event, void* data),
                void* data);

// Hands the requests Xlib has buffered to the server, as XFlush does, but
// without XFlush's read of what the server sent meanwhile: a call that
// needs nothing back pays only for the write. libxcb still takes in
// whatever has arrived while it writes, into a queue of its own that a look
// at the socket cannot see; only ReadEvents gets it out.
void SendRequests(Display* display);

// Closes a connection OpenConnection made, lost or not.
void CloseConnection(Display* display);

}  // namespace x11
}  // namespace quorvel

#endif  // QUORVEL_BACKEND_X11_CONNECTION_H_
