#ifndef QUORVEL_TESTS_SUPPORT_RECORD_OBSERVER_H_
#define QUORVEL_TESTS_SUPPORT_RECORD_OBSERVER_H_

#include <X11/Xlib.h>

#include <memory>
#include <string>
#include <vector>

namespace quorvel {
namespace testing {

// One request a client sent, or one device event the server generated, as
// seen by the RECORD extension.
struct XRecordEntry {
  enum class Kind { kRequest, kEvent };
  Kind kind = Kind::kRequest;
  // Requests: "XTestFakeInput", "WarpPointer", "ChangeWindowAttributes",
  // "CreatePixmap", "FreePixmap", "CreateCursor", "FreeCursor",
  // "XFixesHideCursor", "XFixesShowCursor". Events: "KeyPress", "KeyRelease",
  // "ButtonPress", "ButtonRelease", "MotionNotify".
  std::string name;
  // XTestFakeInput: the event type it fakes ("KeyPress", ...).
  std::string fake_type;
  // Keycode or button (events, XTestFakeInput; for a fake motion 0 means
  // absolute, 1 relative).
  unsigned detail = 0;
  // XTestFakeInput and WarpPointer: the requested point; events: root x/y.
  int x = 0;
  int y = 0;
  // XTestFakeInput: the delay in milliseconds.
  unsigned delay = 0;
  // WarpPointer: destination window; ChangeWindowAttributes and XFixes
  // Hide/ShowCursor: the window.
  unsigned long window = 0;
  // CreateCursor/FreeCursor: the cursor; ChangeWindowAttributes: the cursor
  // when the request sets one (0 = None, i.e. undefine).
  unsigned long cursor = 0;
  // CreatePixmap/FreePixmap: the pixmap; CreateCursor: the source pixmap.
  unsigned long pixmap = 0;
  // CreateCursor: the mask pixmap; ChangeWindowAttributes: the value mask.
  unsigned long mask = 0;
  // Server time in milliseconds (events: the event's own time).
  unsigned long server_time = 0;
  // Requests: the sending client's resource id base.
  unsigned long client = 0;

  std::string ToString() const;
};

std::string ToString(const std::vector<XRecordEntry>& entries);

// A RECORD client on its own two connections (control and data) that sees
// the requests of all clients and the device events of the server.
//
// Completeness: Collect() sends a marker request (NoOperation) on the control
// connection, syncs, and drains the data connection until the marker has come
// back; the RECORD stream keeps dispatch order. It therefore holds everything
// the server dispatched before the marker. A request another connection has
// only flushed may still wait in the server's socket queue behind the marker
// (seen on a loaded machine for dozens of round trips), so the sender must
// have had one round trip after its requests: XSync, any call that waits for
// a reply, or Collect(sender). For the plugin, whose connection the test
// cannot reach, follow a flush-only operation with one that waits for the
// server (MoveMouse syncs; GetMouseCoords queries the pointer).
class RecordObserver {
 public:
  static std::unique_ptr<RecordObserver> Start(const std::string& display_name,
                                               std::string* error = nullptr);
  ~RecordObserver();
  RecordObserver(const RecordObserver&) = delete;
  RecordObserver& operator=(const RecordObserver&) = delete;

  // Everything recorded since the last call; clears the record. With
  // `sender`, first syncs that connection.
  std::vector<XRecordEntry> Collect(Display* sender = nullptr);

  // Collects until `count` requests have arrived in all, touching no other
  // connection: for requests a sender has only flushed, which must reach the
  // server on their own. Gives what arrived after a bounded wait (seconds)
  // when fewer come.
  std::vector<XRecordEntry> CollectAtLeast(size_t count);

  // The RECORD client id of `display` (its resource id base), for filtering
  // entries by client. Makes `display` send a marker and waits for it; entries
  // recorded meanwhile stay for the next Collect().
  unsigned long ClientIdBase(Display* display);

 private:
  struct State;
  explicit RecordObserver(std::unique_ptr<State> state);
  std::unique_ptr<State> state_;
};

// Entries whose name is `name`.
std::vector<XRecordEntry> Named(const std::vector<XRecordEntry>& entries,
                                const std::string& name);
// Requests only (drops events).
std::vector<XRecordEntry> Requests(const std::vector<XRecordEntry>& entries);

}  // namespace testing
}  // namespace quorvel

#endif  // QUORVEL_TESTS_SUPPORT_RECORD_OBSERVER_H_
