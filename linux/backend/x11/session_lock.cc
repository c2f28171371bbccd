#include "backend/x11/session_lock.h"

#include <gio/gio.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "backend/x11/session_path.h"

namespace quorvel {
namespace x11 {
namespace {

constexpr char kLogindName[] = "org.freedesktop.login1";
constexpr char kManagerPath[] = "/org/freedesktop/login1";
constexpr char kManagerInterface[] = "org.freedesktop.login1.Manager";
constexpr char kSessionInterface[] = "org.freedesktop.login1.Session";
constexpr char kSessionIdVariable[] = "XDG_SESSION_ID";

// logind answers at once when it is running; the limit only bounds how long
// a hung bus can block the thread that delivers method calls.
constexpr gint kCallTimeoutMs = 5000;

// Goes through logind as well, but also covers setups where this process is
// not allowed to call Session.Lock itself. Its output is of no use to us.
constexpr char kFallbackCommand[] = "loginctl lock-session >/dev/null 2>&1";

// The session logind puts this process in, or empty when it cannot say.
std::string SessionPathOfThisProcess(GDBusConnection* bus) {
  g_autoptr(GError) error = nullptr;
  g_autoptr(GVariant) reply = g_dbus_connection_call_sync(
      bus, kLogindName, kManagerPath, kManagerInterface, "GetSessionByPID",
      g_variant_new("(u)", static_cast<guint32>(getpid())),
      G_VARIANT_TYPE("(o)"), G_DBUS_CALL_FLAGS_NONE, kCallTimeoutMs, nullptr,
      &error);
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

bool CallSessionLock(GDBusConnection* bus, const std::string& session_path) {
  g_autoptr(GError) error = nullptr;
  g_autoptr(GVariant) reply = g_dbus_connection_call_sync(
      bus, kLogindName, session_path.c_str(), kSessionInterface, "Lock",
      nullptr, nullptr, G_DBUS_CALL_FLAGS_NONE, kCallTimeoutMs, nullptr,
      &error);
  if (!reply) {
    if (error) {
      g_log(nullptr, G_LOG_LEVEL_WARNING, "Session.Lock: %s", error->message);
    }
    return false;
  }
  return true;
}

bool LockThroughLogind() {
  g_autoptr(GError) error = nullptr;
  // The shared system-bus connection exits the process when the bus goes
  // away while anyone holds it, so the reference ends with this function.
  g_autoptr(GDBusConnection) bus =
      g_bus_get_sync(G_BUS_TYPE_SYSTEM, nullptr, &error);
  if (!bus) {
    if (error) {
      g_log(nullptr, G_LOG_LEVEL_WARNING, "system bus: %s", error->message);
    }
    return false;
  }

  std::string session_path = SessionPathOfThisProcess(bus);
  if (session_path.empty()) {
    // A process started outside the session (from a service, say) still
    // carries the id of the session it was meant for.
    const char* session_id = getenv(kSessionIdVariable);
    if (!session_id) {
      return false;
    }
    session_path = SessionObjectPath(session_id);
  }
  return CallSessionLock(bus, session_path);
}

}  // namespace

bool LockSession() {
  if (LockThroughLogind()) {
    return true;
  }
  return system(kFallbackCommand) == 0;
}

}  // namespace x11
}  // namespace quorvel
