#ifndef QUORVEL_BACKEND_EIS_EIS_CONNECTION_H_
#define QUORVEL_BACKEND_EIS_EIS_CONNECTION_H_

#include <gio/gio.h>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "backend/eis/libei_api.h"
#include "backend/eis/screens.h"

namespace quorvel {
namespace eis {

// One EI connection to KWin, asked for over D-Bus (connectToEIS) on a
// private session-bus connection and driven entirely from the main loop of
// the thread that made it: the bus call is asynchronous, the EI socket is
// watched by a GLib source and dispatched there, and nothing ever waits.
// Once the seat's absolute pointer and keyboard are emulating, input queued
// here goes out in order, each group with its frame; a hold keeps what
// follows back until the compositor has handled what came before and the
// hold's time has passed.
class EisConnection {
 public:
  enum class State { kIdle, kConnecting, kReady };

  struct Callbacks {
    // The devices are ready (`ok`), or the connection failed before they
    // were; `error` says why.
    std::function<void(bool ok, const std::string& error)> on_ready;
    // The compositor ended a ready connection.
    std::function<void()> on_closed;
    // The keyboard device arrived with this keymap (fd, size), or went away
    // (-1, 0).
    std::function<void(int fd, size_t size)> on_keymap;
    // The compositor's modifier state: depressed, latched, locked, group.
    std::function<void(uint32_t, uint32_t, uint32_t, uint32_t)> on_modifiers;
  };

  // Takes a reference to `bus`; `api` must outlive the connection.
  EisConnection(const LibeiApi* api, GDBusConnection* bus, Callbacks callbacks);
  // Close().
  ~EisConnection();
  EisConnection(const EisConnection&) = delete;
  EisConnection& operator=(const EisConnection&) = delete;

  State state() const { return state_; }

  // Asks KWin for a connection; ends in Callbacks::on_ready. Only from
  // kIdle.
  void Connect();
  // Sends everything still queued at once, ends the connection and tells
  // KWin (disconnect), waiting briefly for the bus to take it; for the
  // owner's teardown. Back to kIdle.
  void Close();

  // The absolute pointer's regions, one per output; empty until known.
  const std::vector<Region>& regions() const { return regions_; }

  // Queue input; only while ready. Each is followed by its frame.
  void Motion(double x, double y);
  void Button(uint32_t button, bool pressed);
  void Scroll(int32_t discrete_y);
  void Key(uint32_t key, bool pressed);
  // Queues a pause: what follows goes out once the compositor has handled
  // everything before it (where libei can ask) and `ms` more have passed.
  void Hold(int ms);

 private:
  struct Step {
    enum class Kind { kMotion, kButton, kScroll, kKey, kHold } kind;
    double x = 0;
    double y = 0;
    uint32_t code = 0;
    bool pressed = false;
    int32_t steps = 0;
    int hold_ms = 0;
  };

  void Push(const Step& step);
  void Pump();
  void Send(const Step& step);
  void StartHoldTimer(int ms);
  void Dispatch();
  // Handles one event; false when the connection ended with it.
  bool Handle(struct ei_event* event);
  void OnDeviceAdded(struct ei_device* device);
  void OnDeviceRemoved(struct ei_device* device);
  void CheckReady();
  void BecomeReady();
  void Fail(const std::string& error);
  // Waits at most `ms`, on the EI socket alone, until the compositor has
  // handled everything sent so far; for Close().
  void WaitUntilHandled(int ms);
  // Drops the EI context, the sources and the devices, tells KWin (and,
  // with `flush`, waits briefly for the bus to take that), and returns to
  // kIdle; the queue is dropped unsent.
  void TearDown(bool flush);

  static void OnConnected(GObject* source, GAsyncResult* result, gpointer data);
  static gboolean OnReadable(gint fd, GIOCondition condition, gpointer data);
  static gboolean OnHoldOver(gpointer data);
  static gboolean OnReadyTimeout(gpointer data);
  static gboolean OnWarmUpOver(gpointer data);

  guint AddTimeout(int ms, GSourceFunc function);
  void RemoveSource(guint* id);

  const LibeiApi* api_;
  GDBusConnection* bus_;
  Callbacks callbacks_;
  GMainContext* context_;
  GCancellable* cancellable_ = nullptr;
  State state_ = State::kIdle;

  struct ei* ei_ = nullptr;
  int32_t cookie_ = 0;
  bool have_cookie_ = false;
  guint fd_source_ = 0;
  guint ready_timeout_ = 0;
  struct ei_seat* seat_ = nullptr;
  struct ei_device* pointer_ = nullptr;
  struct ei_device* keyboard_ = nullptr;
  bool pointer_emulating_ = false;
  bool keyboard_emulating_ = false;
  uint32_t sequence_ = 0;
  // The pause between the start of emulation and readiness.
  guint warm_up_source_ = 0;
  std::vector<Region> regions_;

  std::deque<Step> steps_;
  bool holding_ = false;
  int hold_ms_ = 0;
  guint hold_source_ = 0;
  struct ei_ping* ping_ = nullptr;
};

}  // namespace eis
}  // namespace quorvel

#endif  // QUORVEL_BACKEND_EIS_EIS_CONNECTION_H_
