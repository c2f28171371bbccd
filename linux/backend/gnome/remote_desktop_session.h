#ifndef QUORVEL_BACKEND_GNOME_REMOTE_DESKTOP_SESSION_H_
#define QUORVEL_BACKEND_GNOME_REMOTE_DESKTOP_SESSION_H_

#include <gio/gio.h>

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace quorvel {
namespace gnome {

// One mutter remote-desktop session with a screen-cast stream per monitor,
// driven entirely from the main loop: every bus call is asynchronous, and
// the input sent through it goes out in the order it was queued.
//
// The compositor lets only the connection that created a session use it, so
// the session keeps its connection for its whole life.
class RemoteDesktopSession {
 public:
  enum class State { kIdle, kStarting, kStarted };

  struct Callbacks {
    // The session started (`ok`), or could not; `error` says why.
    std::function<void(bool ok, const std::string& error)> on_start;
    // The compositor closed a started session.
    std::function<void()> on_closed;
  };

  // Takes a reference to `connection`.
  RemoteDesktopSession(GDBusConnection* connection, Callbacks callbacks);
  // Sends what is still queued, then stops the session; see Stop().
  ~RemoteDesktopSession();
  RemoteDesktopSession(const RemoteDesktopSession&) = delete;
  RemoteDesktopSession& operator=(const RemoteDesktopSession&) = delete;

  State state() const { return state_; }

  // Creates and starts a session recording the monitors on `connectors`;
  // ends in Callbacks::on_start. Only from kIdle.
  void Start(const std::vector<std::string>& connectors);

  // The stream recording `connector`, or empty.
  std::string StreamFor(const std::string& connector) const;

  // Queues one call of a Session method (e.g. "NotifyKeyboardKeysym");
  // takes `parameters` if floating. Only while started.
  void Notify(const char* method, GVariant* parameters);
  // Queues a pause: what follows goes out once the compositor has handled
  // everything before it and `ms` more have passed, so a key held across it
  // is held at least that long on the compositor's clock.
  void Hold(int ms);

  // Sends everything still queued at once, then Stop, and waits briefly for
  // the bus to take it; for the backend's teardown.
  void Stop();

 private:
  struct Step {
    std::string method;  // empty for a hold
    GVariant* parameters = nullptr;
    int hold_ms = 0;
  };

  void Pump();
  void SendStep(const Step& step, bool track);
  void Fail(const std::string& error);
  void Reset();
  void CallSession(const std::string& path,
                   const char* interface,
                   const char* method,
                   GVariant* parameters,
                   GAsyncReadyCallback callback);

  // The session a setup step's answer belongs to, the answer in *reply; null
  // when the step was cancelled (the session is going away) or failed (the
  // start then fails, named by `step`).
  static RemoteDesktopSession* StepReply(GObject* source,
                                         GAsyncResult* result,
                                         gpointer data,
                                         const char* step,
                                         GVariant** reply);
  static void OnCreated(GObject* source, GAsyncResult* result, gpointer data);
  static void OnSessionId(GObject* source, GAsyncResult* result, gpointer data);
  static void OnScreenCastCreated(GObject* source,
                                  GAsyncResult* result,
                                  gpointer data);
  static void OnRecording(GObject* source, GAsyncResult* result, gpointer data);
  static void OnStarted(GObject* source, GAsyncResult* result, gpointer data);
  static void OnNotified(GObject* source, GAsyncResult* result, gpointer data);
  static gboolean OnHoldOver(gpointer data);
  static void OnClosed(GDBusConnection* connection,
                       const gchar* sender,
                       const gchar* path,
                       const gchar* interface,
                       const gchar* signal,
                       GVariant* parameters,
                       gpointer data);

  GDBusConnection* connection_;
  Callbacks callbacks_;
  GCancellable* cancellable_;
  // See DisplayConfig::link_: cut in the destructor.
  RemoteDesktopSession** link_;
  State state_ = State::kIdle;
  std::string session_path_;
  std::string screen_cast_path_;
  std::vector<std::string> connectors_;
  std::map<std::string, std::string> streams_;  // connector -> stream path
  size_t recordings_pending_ = 0;
  guint closed_subscription_ = 0;

  std::deque<Step> steps_;
  // Calls sent and not yet answered; a hold waits until it is 0.
  int unanswered_ = 0;
  bool holding_ = false;
  guint hold_source_ = 0;
};

}  // namespace gnome
}  // namespace quorvel

#endif  // QUORVEL_BACKEND_GNOME_REMOTE_DESKTOP_SESSION_H_
