#include "backend/common/session_lock.h"

#include <gio/gio.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>

#include "backend/common/session_path.h"

namespace quorvel {
namespace common {
namespace {

constexpr char kLogindName[] = "org.freedesktop.login1";
constexpr char kManagerPath[] = "/org/freedesktop/login1";
constexpr char kManagerInterface[] = "org.freedesktop.login1.Manager";
constexpr char kSessionInterface[] = "org.freedesktop.login1.Session";
constexpr char kSessionIdVariable[] = "XDG_SESSION_ID";

// logind answers at once when it is running; the limit bounds how long a
// hung logind keeps the attempt, and the bus connection with it, before the
// fallback gets its turn. The app's loop keeps running meanwhile.
constexpr gint kCallTimeoutMs = 5000;

// Goes through logind as well, but also covers setups where this process is
// not allowed to call Session.Lock itself. Started directly, not through a
// shell: there is nothing to expand, and the child stays ours to reap.
const char* const kFallbackArgv[] = {"loginctl", "lock-session", nullptr};
// Found on PATH as a shell would; its output is of no use to us and must
// not end up in the app's terminal or log. GLib reaps it through a watch.
constexpr GSpawnFlags kFallbackFlags = static_cast<GSpawnFlags>(
    G_SPAWN_SEARCH_PATH | G_SPAWN_DO_NOT_REAP_CHILD |
    G_SPAWN_STDOUT_TO_DEV_NULL | G_SPAWN_STDERR_TO_DEV_NULL);

std::atomic<size_t> attempts_in_flight{0};

// One lock attempt, owned by whichever step is under way and freed when the
// attempt ends. It refers to nothing of the backend: the plugin may be gone
// long before logind answers.
struct LockAttempt {
  LockAttempt() { attempts_in_flight++; }
  ~LockAttempt() {
    ReleaseBus();
    attempts_in_flight--;
  }
  LockAttempt(const LockAttempt&) = delete;
  LockAttempt& operator=(const LockAttempt&) = delete;

  // The shared system-bus connection exits the process when the bus goes
  // away while anyone holds it, so it is let go as soon as logind's part is
  // over, and never kept from one attempt to the next.
  void ReleaseBus() { g_clear_object(&bus); }

  GDBusConnection* bus = nullptr;
};

using AttemptPtr = std::unique_ptr<LockAttempt>;

// Each callback receives the attempt as its user data and takes it back.
AttemptPtr TakeAttempt(gpointer data) {
  return AttemptPtr(static_cast<LockAttempt*>(data));
}

void DeleteAttempt(gpointer data) {
  delete static_cast<LockAttempt*>(data);
}

void OnFallbackExited(GPid pid, gint /*status*/, gpointer /*attempt*/) {
  // Its status is not reported: nothing is left to try after it.
  g_spawn_close_pid(pid);
}

void RunFallback(AttemptPtr attempt) {
  attempt->ReleaseBus();
  g_autoptr(GError) error = nullptr;
  GPid pid = 0;
  // g_spawn_async only reads the vector; its parameter is not const.
  if (!g_spawn_async(nullptr, const_cast<gchar**>(kFallbackArgv), nullptr,
                     kFallbackFlags, nullptr, nullptr, &pid, &error)) {
    g_log(nullptr, G_LOG_LEVEL_WARNING, "loginctl: %s", error->message);
    return;
  }
  // The watch owns the attempt from here: it ends once the child is reaped.
  g_autoptr(GSource) watch = g_child_watch_source_new(pid);
  g_source_set_callback(watch, G_SOURCE_FUNC(OnFallbackExited),
                        attempt.release(), DeleteAttempt);
  g_source_attach(watch, g_main_context_get_thread_default());
}

void OnLocked(GObject* /*bus*/, GAsyncResult* result, gpointer data) {
  AttemptPtr attempt = TakeAttempt(data);
  g_autoptr(GError) error = nullptr;
  g_autoptr(GVariant) reply =
      g_dbus_connection_call_finish(attempt->bus, result, &error);
  if (reply) {
    return;
  }
  if (error) {
    g_log(nullptr, G_LOG_LEVEL_WARNING, "Session.Lock: %s", error->message);
  }
  RunFallback(std::move(attempt));
}

void RequestLock(AttemptPtr attempt, const std::string& session_path) {
  GDBusConnection* bus = attempt->bus;
  g_dbus_connection_call(bus, kLogindName, session_path.c_str(),
                         kSessionInterface, "Lock", nullptr, nullptr,
                         G_DBUS_CALL_FLAGS_NONE, kCallTimeoutMs, nullptr,
                         OnLocked, attempt.release());
}

// The session logind puts this process in, or empty when it cannot say.
std::string SessionPathFromReply(GDBusConnection* bus, GAsyncResult* result) {
  g_autoptr(GError) error = nullptr;
  g_autoptr(GVariant) reply =
      g_dbus_connection_call_finish(bus, result, &error);
  if (!reply) {
    if (error) {
      g_log(nullptr, G_LOG_LEVEL_WARNING, "GetSessionByPID: %s",
            error->message);
    }
    return {};
  }
  const gchar* path = nullptr;
  g_variant_get(reply, "(&o)", &path);
  return path ? path : "";
}

void OnSessionPath(GObject* /*bus*/, GAsyncResult* result, gpointer data) {
  AttemptPtr attempt = TakeAttempt(data);
  std::string session_path = SessionPathFromReply(attempt->bus, result);
  if (session_path.empty()) {
    // A process started outside the session (from a service, say) still
    // carries the id of the session it was meant for.
    const char* session_id = getenv(kSessionIdVariable);
    if (!session_id) {
      RunFallback(std::move(attempt));
      return;
    }
    session_path = SessionObjectPath(session_id);
  }
  RequestLock(std::move(attempt), session_path);
}

void RequestSessionPath(AttemptPtr attempt) {
  GDBusConnection* bus = attempt->bus;
  g_dbus_connection_call(
      bus, kLogindName, kManagerPath, kManagerInterface, "GetSessionByPID",
      g_variant_new("(u)", static_cast<guint32>(getpid())),
      G_VARIANT_TYPE("(o)"), G_DBUS_CALL_FLAGS_NONE, kCallTimeoutMs, nullptr,
      OnSessionPath, attempt.release());
}

void OnSystemBus(GObject* /*source*/, GAsyncResult* result, gpointer data) {
  AttemptPtr attempt = TakeAttempt(data);
  g_autoptr(GError) error = nullptr;
  attempt->bus = g_bus_get_finish(result, &error);
  if (!attempt->bus) {
    if (error) {
      g_log(nullptr, G_LOG_LEVEL_WARNING, "system bus: %s", error->message);
    }
    RunFallback(std::move(attempt));
    return;
  }
  RequestSessionPath(std::move(attempt));
}

}  // namespace

bool LockSession() {
  // Every step is started from the callback of the one before, so all of
  // them report to the main context this call was made on.
  auto attempt = std::make_unique<LockAttempt>();
  g_bus_get(G_BUS_TYPE_SYSTEM, nullptr, OnSystemBus, attempt.release());
  return true;
}

size_t LockAttemptsInFlight() {
  return attempts_in_flight.load();
}

}  // namespace common
}  // namespace quorvel
