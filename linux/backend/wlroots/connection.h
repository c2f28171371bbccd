#ifndef QUORVEL_BACKEND_WLROOTS_CONNECTION_H_
#define QUORVEL_BACKEND_WLROOTS_CONNECTION_H_

#include <glib.h>
#include <wayland-client.h>

#include <functional>
#include <memory>
#include <string>

#include "backend/wlroots/outputs.h"
#include "backend/wlroots/seat.h"

struct zwlr_virtual_pointer_manager_v1;
struct zwp_virtual_keyboard_manager_v1;

namespace quorvel {
namespace wlroots {

// The plugin's own connection to the compositor (never the app's), with
// the globals the backend uses. Once served, its events are read and
// dispatched from the main loop; nothing on it ever blocks the app's thread
// longer than the bounded waits named here.
class Connection {
 public:
  // Connects to the compositor the environment names and reads its globals,
  // waiting at most `timeout_ms` for the answers, so a stuck compositor
  // cannot hang the caller. Null when there is no compositor or it offers
  // no virtual pointer or keyboard manager; `why` then says what was
  // missing.
  static std::unique_ptr<Connection> Open(int timeout_ms, std::string* why);
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // Reads and dispatches the connection's events on the thread-default
  // main context from now on; `on_lost` runs once, from the main loop, when
  // the connection fails (the compositor went away or ended it with a
  // protocol error).
  void Serve(std::function<void()> on_lost);

  // Sends what is buffered; false once the connection has failed.
  bool Flush();
  // Waits until the compositor has handled everything sent so far, at most
  // `timeout_ms`, dispatching events meanwhile. False on failure or
  // timeout.
  bool Roundtrip(int timeout_ms);
  // True once the connection has failed; nothing reaches the compositor
  // after that.
  bool failed() const;

  wl_display* display() const { return display_; }
  Seat* seat() const { return seat_.get(); }
  Outputs& outputs() { return *outputs_; }
  zwlr_virtual_pointer_manager_v1* pointer_manager() const {
    return pointer_manager_;
  }
  zwp_virtual_keyboard_manager_v1* keyboard_manager() const {
    return keyboard_manager_;
  }

 private:
  explicit Connection(wl_display* display);
  // Reads the socket for at most `timeout_ms` and dispatches what came;
  // false on failure.
  bool ReadFor(int timeout_ms);
  // Writes what is buffered; false once a write has failed for good.
  bool SendBuffered();
  void ReportFailure();

  static const wl_registry_listener kRegistryListener;
  struct Source;
  static GSourceFuncs source_funcs_;

  wl_display* display_;
  wl_registry* registry_ = nullptr;
  std::unique_ptr<Seat> seat_;
  std::unique_ptr<Outputs> outputs_ = std::make_unique<Outputs>();
  zwlr_virtual_pointer_manager_v1* pointer_manager_ = nullptr;
  zwp_virtual_keyboard_manager_v1* keyboard_manager_ = nullptr;
  GSource* source_ = nullptr;
  std::function<void()> on_lost_;
  bool cannot_send_ = false;
  bool reported_ = false;
};

}  // namespace wlroots
}  // namespace quorvel

#endif  // QUORVEL_BACKEND_WLROOTS_CONNECTION_H_
