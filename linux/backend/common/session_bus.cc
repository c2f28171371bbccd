#include "backend/common/session_bus.h"

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>

namespace quorvel {
namespace common {
namespace {

// The bus daemon answers NameHasOwner from memory in well under a
// millisecond; the limit only bounds a daemon that hangs.
constexpr int kNameQueryTimeoutMs = 500;

}  // namespace

GDBusConnection* ConnectPrivately(const char* address) {
  if (!address || !*address) {
    return nullptr;
  }
  g_autoptr(GError) error = nullptr;
  GDBusConnection* connection = g_dbus_connection_new_for_address_sync(
      address,
      static_cast<GDBusConnectionFlags>(
          G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
          G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
      nullptr, nullptr, &error);
  if (connection) {
    // The app must not exit because the desktop's bus went away.
    g_dbus_connection_set_exit_on_close(connection, FALSE);
  }
  return connection;
}

const char* SessionBusAddress() {
  return getenv("DBUS_SESSION_BUS_ADDRESS");
}

bool NameHasOwner(GDBusConnection* connection, const char* name) {
  g_autoptr(GVariant) reply = g_dbus_connection_call_sync(
      connection, "org.freedesktop.DBus", "/org/freedesktop/DBus",
      "org.freedesktop.DBus", "NameHasOwner", g_variant_new("(s)", name),
      G_VARIANT_TYPE("(b)"), G_DBUS_CALL_FLAGS_NONE, kNameQueryTimeoutMs,
      nullptr, nullptr);
  gboolean owned = FALSE;
  if (reply) {
    g_variant_get(reply, "(b)", &owned);
  }
  return owned;
}

// The flush runs on this thread, so the limit is kept by a helper thread
// that cancels it.
void FlushWithin(GDBusConnection* connection, int ms) {
  g_autoptr(GCancellable) limit = g_cancellable_new();
  std::mutex mutex;
  std::condition_variable done_changed;
  bool done = false;
  std::thread timer([&] {
    std::unique_lock<std::mutex> lock(mutex);
    if (!done_changed.wait_for(lock, std::chrono::milliseconds(ms),
                               [&] { return done; })) {
      g_cancellable_cancel(limit);
    }
  });
  g_dbus_connection_flush_sync(connection, limit, nullptr);
  {
    std::lock_guard<std::mutex> lock(mutex);
    done = true;
  }
  done_changed.notify_one();
  timer.join();
}

}  // namespace common
}  // namespace quorvel
