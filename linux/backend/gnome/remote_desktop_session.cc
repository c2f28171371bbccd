#include "backend/gnome/remote_desktop_session.h"

#include <utility>

#include "backend/common/session_bus.h"
#include "backend/gnome/bus_names.h"

namespace quorvel {
namespace gnome {
namespace {

// Creating a session and its streams takes the compositor a few
// milliseconds; the limit only bounds a compositor that hangs.
constexpr int kSetupTimeoutMs = 10000;
// Input calls are answered at once; a late answer only delays a hold.
constexpr int kNotifyTimeoutMs = 5000;
// At teardown the releases and Stop must leave the process before the
// connection closes; a local bus takes them in microseconds.
constexpr int kStopFlushTimeoutMs = 500;

// The seat's virtual keyboard and pointer appear when the session starts,
// and a client takes keyboard focus only in answer to its first key, which
// is itself not delivered; the pointer likewise enters a window only with a
// motion made after the client has bound it. A Shift tap (it types
// nothing), a one-pixel move there and back, and a pause for the client to
// receive focus and keymap keep the caller's first key and click.
constexpr uint32_t kWarmUpKeycode = 42;  // KEY_LEFTSHIFT
constexpr int kWarmUpPauseMs = 300;

// Whether a finished call was cancelled: the object behind `data` is gone.
bool Cancelled(const GError* error) {
  return g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED);
}

// Finishes a call; on failure returns null and writes the error's message.
GVariant* Finish(GObject* source,
                 GAsyncResult* result,
                 std::string* message,
                 bool* cancelled) {
  g_autoptr(GError) error = nullptr;
  GVariant* reply =
      g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error);
  *cancelled = Cancelled(error);
  if (!reply && error) {
    *message = error->message;
  }
  return reply;
}

}  // namespace

RemoteDesktopSession::RemoteDesktopSession(GDBusConnection* connection,
                                           Callbacks callbacks)
    : connection_(G_DBUS_CONNECTION(g_object_ref(connection))),
      callbacks_(std::move(callbacks)),
      cancellable_(g_cancellable_new()),
      link_(g_new(RemoteDesktopSession*, 1)) {
  *link_ = this;
}

RemoteDesktopSession::~RemoteDesktopSession() {
  Stop();
  g_cancellable_cancel(cancellable_);
  g_object_unref(cancellable_);
  *link_ = nullptr;
  if (closed_subscription_) {
    g_dbus_connection_signal_unsubscribe(connection_, closed_subscription_);
  } else {
    g_free(link_);
  }
  g_object_unref(connection_);
}

void RemoteDesktopSession::Start(const std::vector<std::string>& connectors) {
  if (state_ != State::kIdle) {
    return;
  }
  Reset();
  state_ = State::kStarting;
  connectors_ = connectors;
  g_dbus_connection_call(connection_, kRemoteDesktopName, kRemoteDesktopPath,
                         kRemoteDesktopInterface, "CreateSession", nullptr,
                         G_VARIANT_TYPE("(o)"), G_DBUS_CALL_FLAGS_NONE,
                         kSetupTimeoutMs, cancellable_,
                         &RemoteDesktopSession::OnCreated, this);
}

std::string RemoteDesktopSession::StreamFor(
    const std::string& connector) const {
  auto it = streams_.find(connector);
  return it == streams_.end() ? std::string() : it->second;
}

void RemoteDesktopSession::Notify(const char* method, GVariant* parameters) {
  Step step;
  step.method = method;
  step.parameters = g_variant_ref_sink(parameters);
  steps_.push_back(step);
  Pump();
}

void RemoteDesktopSession::Hold(int ms) {
  Step step;
  step.hold_ms = ms;
  steps_.push_back(step);
  Pump();
}

// Sends queued calls until the queue is empty or reaches a hold; a hold
// starts its timer only once every call before it has been answered, that
// is, handled by the compositor.
void RemoteDesktopSession::Pump() {
  while (state_ == State::kStarted && !holding_ && !steps_.empty()) {
    Step& step = steps_.front();
    if (step.method.empty()) {
      if (unanswered_ > 0) {
        return;  // OnNotified pumps again
      }
      holding_ = true;
      hold_source_ =
          g_timeout_add(step.hold_ms, &RemoteDesktopSession::OnHoldOver, this);
      steps_.pop_front();
      return;
    }
    SendStep(step, /*track=*/true);
    g_variant_unref(step.parameters);
    steps_.pop_front();
  }
}

void RemoteDesktopSession::SendStep(const Step& step, bool track) {
  if (track) {
    unanswered_++;
  }
  g_dbus_connection_call(connection_, kRemoteDesktopName, session_path_.c_str(),
                         kRemoteDesktopSessionInterface, step.method.c_str(),
                         step.parameters, nullptr, G_DBUS_CALL_FLAGS_NONE,
                         kNotifyTimeoutMs, track ? cancellable_ : nullptr,
                         track ? &RemoteDesktopSession::OnNotified : nullptr,
                         this);
}

void RemoteDesktopSession::Stop() {
  if (hold_source_) {
    g_source_remove(hold_source_);
    hold_source_ = 0;
  }
  if (state_ == State::kStarted) {
    // The remaining steps go out back to back: nothing may wait on the main
    // loop once the backend is going, and the releases among them must
    // still reach the compositor before the session ends.
    for (const Step& step : steps_) {
      if (!step.method.empty()) {
        SendStep(step, /*track=*/false);
      }
    }
  }
  if (state_ != State::kIdle && !session_path_.empty()) {
    // Stop is sent even while starting: the compositor would otherwise keep
    // a half-made session until our connection closes.
    g_dbus_connection_call(
        connection_, kRemoteDesktopName, session_path_.c_str(),
        kRemoteDesktopSessionInterface, "Stop", nullptr, nullptr,
        G_DBUS_CALL_FLAGS_NONE, kNotifyTimeoutMs, nullptr, nullptr, nullptr);
    // Calls sit in GDBus's own queue until its worker thread writes them;
    // flushing makes sure they left before the caller closes the
    // connection (or the process exits), which would drop them. The
    // compositor handles a connection's messages in order, so the releases
    // arrive before Stop.
    common::FlushWithin(connection_, kStopFlushTimeoutMs);
  }
  Reset();
}

void RemoteDesktopSession::Reset() {
  for (Step& step : steps_) {
    if (step.parameters) {
      g_variant_unref(step.parameters);
    }
  }
  steps_.clear();
  if (hold_source_) {
    g_source_remove(hold_source_);
    hold_source_ = 0;
  }
  holding_ = false;
  unanswered_ = 0;
  streams_.clear();
  recordings_pending_ = 0;
  session_path_.clear();
  screen_cast_path_.clear();
  if (closed_subscription_) {
    *link_ = nullptr;
    // The link stays alive: GDBus frees it once the subscription is gone,
    // so a new one needs a fresh link.
    g_dbus_connection_signal_unsubscribe(connection_, closed_subscription_);
    closed_subscription_ = 0;
    link_ = g_new(RemoteDesktopSession*, 1);
    *link_ = this;
  }
  state_ = State::kIdle;
}

void RemoteDesktopSession::Fail(const std::string& error) {
  // A half-made session is stopped so the compositor does not keep it.
  if (!session_path_.empty()) {
    g_dbus_connection_call(
        connection_, kRemoteDesktopName, session_path_.c_str(),
        kRemoteDesktopSessionInterface, "Stop", nullptr, nullptr,
        G_DBUS_CALL_FLAGS_NONE, kNotifyTimeoutMs, nullptr, nullptr, nullptr);
  }
  Reset();
  if (callbacks_.on_start) {
    callbacks_.on_start(false, error);
  }
}

void RemoteDesktopSession::CallSession(const std::string& path,
                                       const char* interface,
                                       const char* method,
                                       GVariant* parameters,
                                       GAsyncReadyCallback callback) {
  const char* name = g_str_has_prefix(interface, kScreenCastInterface)
                         ? kScreenCastName
                         : kRemoteDesktopName;
  g_dbus_connection_call(connection_, name, path.c_str(), interface, method,
                         parameters, nullptr, G_DBUS_CALL_FLAGS_NONE,
                         kSetupTimeoutMs, cancellable_, callback, this);
}

RemoteDesktopSession* RemoteDesktopSession::StepReply(GObject* source,
                                                      GAsyncResult* result,
                                                      gpointer data,
                                                      const char* step,
                                                      GVariant** reply) {
  std::string error;
  bool cancelled = false;
  *reply = Finish(source, result, &error, &cancelled);
  if (cancelled) {
    return nullptr;
  }
  auto* self = static_cast<RemoteDesktopSession*>(data);
  if (!*reply) {
    self->Fail(std::string(step) + ": " + error);
    return nullptr;
  }
  return self;
}

void RemoteDesktopSession::OnCreated(GObject* source,
                                     GAsyncResult* result,
                                     gpointer data) {
  g_autoptr(GVariant) reply = nullptr;
  RemoteDesktopSession* self =
      StepReply(source, result, data, "CreateSession", &reply);
  if (!self) {
    return;
  }
  const char* path = nullptr;
  g_variant_get(reply, "(&o)", &path);
  self->session_path_ = path;
  self->closed_subscription_ = g_dbus_connection_signal_subscribe(
      self->connection_, kRemoteDesktopName, kRemoteDesktopSessionInterface,
      "Closed", path, nullptr, G_DBUS_SIGNAL_FLAGS_NONE,
      &RemoteDesktopSession::OnClosed, self->link_, g_free);
  self->CallSession(
      path, kPropertiesInterface, "Get",
      g_variant_new("(ss)", kRemoteDesktopSessionInterface, "SessionId"),
      &RemoteDesktopSession::OnSessionId);
}

void RemoteDesktopSession::OnSessionId(GObject* source,
                                       GAsyncResult* result,
                                       gpointer data) {
  g_autoptr(GVariant) reply = nullptr;
  RemoteDesktopSession* self =
      StepReply(source, result, data, "SessionId", &reply);
  if (!self) {
    return;
  }
  g_autoptr(GVariant) value = nullptr;
  g_variant_get(reply, "(v)", &value);
  if (!g_variant_is_of_type(value, G_VARIANT_TYPE_STRING)) {
    self->Fail("SessionId is not a string");
    return;
  }
  GVariantBuilder options;
  g_variant_builder_init(&options, G_VARIANT_TYPE("a{sv}"));
  g_variant_builder_add(
      &options, "{sv}", "remote-desktop-session-id",
      g_variant_new_string(g_variant_get_string(value, nullptr)));
  g_dbus_connection_call(
      self->connection_, kScreenCastName, kScreenCastPath, kScreenCastInterface,
      "CreateSession", g_variant_new("(a{sv})", &options),
      G_VARIANT_TYPE("(o)"), G_DBUS_CALL_FLAGS_NONE, kSetupTimeoutMs,
      self->cancellable_, &RemoteDesktopSession::OnScreenCastCreated, self);
}

void RemoteDesktopSession::OnScreenCastCreated(GObject* source,
                                               GAsyncResult* result,
                                               gpointer data) {
  g_autoptr(GVariant) reply = nullptr;
  RemoteDesktopSession* self =
      StepReply(source, result, data, "ScreenCast.CreateSession", &reply);
  if (!self) {
    return;
  }
  const char* path = nullptr;
  g_variant_get(reply, "(&o)", &path);
  self->screen_cast_path_ = path;
  self->recordings_pending_ = self->connectors_.size();
  if (self->connectors_.empty()) {
    self->CallSession(self->session_path_, kRemoteDesktopSessionInterface,
                      "Start", nullptr, &RemoteDesktopSession::OnStarted);
    return;
  }
  // One stream per monitor, each answered on its own; Start follows the
  // last answer.
  for (const std::string& connector : self->connectors_) {
    GVariantBuilder options;
    g_variant_builder_init(&options, G_VARIANT_TYPE("a{sv}"));
    self->CallSession(path, kScreenCastSessionInterface, "RecordMonitor",
                      g_variant_new("(sa{sv})", connector.c_str(), &options),
                      &RemoteDesktopSession::OnRecording);
  }
}

void RemoteDesktopSession::OnRecording(GObject* source,
                                       GAsyncResult* result,
                                       gpointer data) {
  std::string error;
  bool cancelled = false;
  g_autoptr(GVariant) reply = Finish(source, result, &error, &cancelled);
  if (cancelled) {
    return;
  }
  auto* self = static_cast<RemoteDesktopSession*>(data);
  if (self->state_ != State::kStarting || self->recordings_pending_ == 0) {
    return;  // an earlier stream already failed the start
  }
  if (!reply) {
    self->Fail("RecordMonitor: " + error);
    return;
  }
  // Answers come in the order of the calls on one connection.
  const size_t index = self->connectors_.size() - self->recordings_pending_;
  const char* stream = nullptr;
  g_variant_get(reply, "(&o)", &stream);
  self->streams_[self->connectors_[index]] = stream;
  if (--self->recordings_pending_ == 0) {
    self->CallSession(self->session_path_, kRemoteDesktopSessionInterface,
                      "Start", nullptr, &RemoteDesktopSession::OnStarted);
  }
}

void RemoteDesktopSession::OnStarted(GObject* source,
                                     GAsyncResult* result,
                                     gpointer data) {
  g_autoptr(GVariant) reply = nullptr;
  RemoteDesktopSession* self = StepReply(source, result, data, "Start", &reply);
  if (!self) {
    return;
  }
  self->state_ = State::kStarted;
  self->Notify("NotifyKeyboardKeycode",
               g_variant_new("(ub)", kWarmUpKeycode, TRUE));
  self->Notify("NotifyKeyboardKeycode",
               g_variant_new("(ub)", kWarmUpKeycode, FALSE));
  self->Notify("NotifyPointerMotionRelative", g_variant_new("(dd)", 1.0, 0.0));
  self->Notify("NotifyPointerMotionRelative", g_variant_new("(dd)", -1.0, 0.0));
  self->Hold(kWarmUpPauseMs);
  if (self->callbacks_.on_start) {
    self->callbacks_.on_start(true, std::string());
  }
}

void RemoteDesktopSession::OnNotified(GObject* source,
                                      GAsyncResult* result,
                                      gpointer data) {
  g_autoptr(GError) error = nullptr;
  GVariant* reply =
      g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error);
  // Only the answer's arrival matters; a failed input call drops that input.
  if (reply) {
    g_variant_unref(reply);
  }
  if (Cancelled(error)) {
    return;
  }
  auto* self = static_cast<RemoteDesktopSession*>(data);
  if (self->unanswered_ > 0) {
    self->unanswered_--;
  }
  self->Pump();
}

gboolean RemoteDesktopSession::OnHoldOver(gpointer data) {
  auto* self = static_cast<RemoteDesktopSession*>(data);
  self->hold_source_ = 0;
  self->holding_ = false;
  self->Pump();
  return G_SOURCE_REMOVE;
}

void RemoteDesktopSession::OnClosed(GDBusConnection* /*connection*/,
                                    const gchar* /*sender*/,
                                    const gchar* /*path*/,
                                    const gchar* /*interface*/,
                                    const gchar* /*signal*/,
                                    GVariant* /*parameters*/,
                                    gpointer data) {
  RemoteDesktopSession* self = *static_cast<RemoteDesktopSession**>(data);
  if (!self || self->state_ == State::kIdle) {
    return;
  }
  const bool was_started = self->state_ == State::kStarted;
  // What was queued cannot reach a closed session; the next input starts a
  // new one.
  self->Reset();
  if (was_started) {
    if (self->callbacks_.on_closed) {
      self->callbacks_.on_closed();
    }
  } else if (self->callbacks_.on_start) {
    self->callbacks_.on_start(false, "the compositor closed the session");
  }
}

}  // namespace gnome
}  // namespace quorvel
