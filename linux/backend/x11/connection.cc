#include "backend/x11/connection.h"

#include <poll.h>

#include <atomic>
#include <cstdio>
#include <mutex>
#include <vector>

// For XESetWireToError and _XSend. Last, as it defines min and max macros.
#include <X11/Xlibint.h>
#undef min
#undef max

namespace quorvel {
namespace x11 {
namespace {

using WireToError = Bool (*)(Display*, XErrorEvent*, xError*);

// One connection this plugin opened.
struct OwnConnection {
  Display* display = nullptr;
  bool lost = false;
  // XFixes's major opcode on this server, 0 without the extension: its
  // errors keep a line of their own.
  int xfixes_opcode = 0;
};

// Xlib's I/O error handler is process-wide, so the plugin's connections are
// told apart from the app's own by this list. The handler may run on any
// thread that uses Xlib, hence the lock.
// Never destroyed: backends still close their connections from exit-time
// destructors.
std::mutex& RegistryLock() {
  static auto* lock = new std::mutex;
  return *lock;
}
std::vector<OwnConnection>& Registry() {
  static auto* connections = new std::vector<OwnConnection>;
  return *connections;
}
XIOErrorHandler g_previous_io_handler = nullptr;

OwnConnection* Find(Display* display) {
  for (OwnConnection& connection : Registry()) {
    if (connection.display == display) {
      return &connection;
    }
  }
  return nullptr;
}

// Runs for every protocol error on one of our connections before Xlib looks
// for an error handler; returning False drops the error. The requests on
// these connections are all ours, and none of their errors is worth ending
// the app for: what failed is skipped, as if the server had no answer.
Bool DropOwnError(Display* display, XErrorEvent* /*event*/, xError* error) {
  int xfixes_opcode = 0;
  {
    std::lock_guard<std::mutex> hold(RegistryLock());
    if (const OwnConnection* connection = Find(display)) {
      xfixes_opcode = connection->xfixes_opcode;
    }
  }
  const bool from_xfixes =
      xfixes_opcode != 0 && error->majorCode == xfixes_opcode;
  fprintf(stderr,
          "[X11Backend] Ignored X error%s: code=%d request=%d minor=%d\n",
          from_xfixes ? " from XFixes cursor call" : "", error->errorCode,
          error->majorCode, error->minorCode);
  return False;
}

// For our connections the loss is only recorded; every other display goes
// to whatever handler was there before, so the app's own connection keeps
// its behaviour.
int OnIoError(Display* display) {
  {
    std::lock_guard<std::mutex> hold(RegistryLock());
    if (OwnConnection* connection = Find(display)) {
      connection->lost = true;
      internal::any_connection_lost.store(true);
      return 0;
    }
  }
  return g_previous_io_handler ? g_previous_io_handler(display) : 0;
}

// Xlib calls this after the I/O error handler; its default exits the process.
// Returning leaves the display marked broken, so later calls on it fail
// quietly and XCloseDisplay still frees it.
void StayAfterIoError(Display* /*display*/, void* /*data*/) {}

// True when the server has sent something not yet read, or closed the
// connection (which reads as readable too). No read, no Xlib lock: the
// usual case at the start of a call is that nothing came.
bool SomethingToRead(Display* display) {
  if (XQLength(display) > 0) {
    return true;
  }
  pollfd socket = {ConnectionNumber(display), POLLIN, 0};
  return poll(&socket, 1, 0) != 0;
}

int XfixesOpcode(Display* display) {
  int opcode = 0;
  int event_base = 0;
  int error_base = 0;
  if (!XQueryExtension(display, "XFIXES", &opcode, &event_base, &error_base)) {
    return 0;
  }
  return opcode;
}

}  // namespace

Display* OpenConnection() {
  Display* display = XOpenDisplay(nullptr);
  if (!display) {
    return nullptr;
  }
  XSetIOErrorExitHandler(display, StayAfterIoError, nullptr);
  for (int code = 1; code < 256; ++code) {
    XESetWireToError(display, code, DropOwnError);
  }
  OwnConnection connection;
  connection.display = display;
  connection.xfixes_opcode = XfixesOpcode(display);

  std::lock_guard<std::mutex> hold(RegistryLock());
  if (Registry().empty()) {
    XIOErrorHandler previous = XSetIOErrorHandler(OnIoError);
    if (previous != OnIoError) {
      g_previous_io_handler = previous;
    }
  }
  Registry().push_back(connection);
  return display;
}

namespace internal {

std::atomic<bool> any_connection_lost{false};

bool IsLost(Display* display) {
  std::lock_guard<std::mutex> hold(RegistryLock());
  const OwnConnection* connection = Find(display);
  return !connection || connection->lost;
}

}  // namespace internal

void DrainEvents(Display* display,
                 void (*on_event)(const XEvent& event, void* data),
                 void* data) {
  if (SomethingToRead(display)) {
    ReadEvents(display, on_event, data);
  }
}

void ReadEvents(Display* display,
                void (*on_event)(const XEvent& event, void* data),
                void* data) {
  // XPending reads without blocking; on a server that has gone away the
  // read fails, and OnIoError marks the connection lost.
  while (!ConnectionLost(display) && XPending(display) > 0) {
    XEvent event;
    XNextEvent(display, &event);
    on_event(event, data);
  }
}

void SendRequests(Display* display) {
  // A failed write goes to OnIoError, as XFlush's does.
  LockDisplay(display);
  _XSend(display, nullptr, 0);
  UnlockDisplay(display);
}

void CloseConnection(Display* display) {
  if (!display) {
    return;
  }
  XCloseDisplay(display);
  std::lock_guard<std::mutex> hold(RegistryLock());
  std::vector<OwnConnection>& registry = Registry();
  for (auto it = registry.begin(); it != registry.end(); ++it) {
    if (it->display == display) {
      registry.erase(it);
      break;
    }
  }
  if (registry.empty()) {
    // Hand the process-wide handler back, unless someone replaced ours
    // meanwhile: then theirs stays.
    XIOErrorHandler current = XSetIOErrorHandler(g_previous_io_handler);
    if (current != OnIoError) {
      XSetIOErrorHandler(current);
    }
    g_previous_io_handler = nullptr;
  }
}

}  // namespace x11
}  // namespace quorvel
