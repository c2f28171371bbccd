#include <gio/gio.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "backend/backend.h"
#include "backend/common/session_type.h"
#include "backend/gnome/bus_names.h"
#include "backend/gnome/gnome_backend.h"
#include "backend/gnome/session_bus.h"
#include "backend/x11/x11_backend.h"

namespace quorvel {
// The choice is made here, once, with one quick question to the session bus
// (bounded by a short timeout): deciding later would mean either holding the
// first inputs back for an answer or sending them down a path that is then
// abandoned. Everything after this runs on the main loop.
std::unique_ptr<Backend> CreateBackend() {
  if (!common::IsWaylandSession()) {
    return CreateX11Backend();
  }
  g_autoptr(GDBusConnection) connection =
      gnome::ConnectPrivately(gnome::SessionBusAddress());
  if (connection &&
      gnome::NameHasOwner(connection, gnome::kRemoteDesktopName)) {
    return CreateGnomeBackend(connection, CreateX11Backend());
  }
  fprintf(stderr,
          "[GnomeBackend] %s is not on the session bus: input goes through "
          "X11 (XWayland)\n",
          gnome::kRemoteDesktopName);
  if (connection) {
    g_dbus_connection_close_sync(connection, nullptr, nullptr);
  }
  return CreateX11Backend();
}

}  // namespace quorvel
