#include <gio/gio.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "backend/backend.h"
#include "backend/common/session_type.h"
#include "backend/gnome/bus_names.h"
#include "backend/gnome/gnome_backend.h"
#include "backend/gnome/session_bus.h"
#include "backend/x11/x11_backend.h"
#ifdef QUORVEL_HAVE_WLROOTS
#include "backend/wlroots/connection.h"
#include "backend/wlroots/wlroots_backend.h"
#endif

namespace quorvel {
namespace {

#ifdef QUORVEL_HAVE_WLROOTS
// How long registration may wait for the compositor to list its globals; a
// compositor that answers nothing in that time cannot stall the app.
constexpr int kWaylandProbeTimeoutMs = 500;
#endif

}  // namespace

// The choice is made here, once, with quick questions to the session bus
// and the compositor (each bounded by a short timeout): deciding later
// would mean either holding the first inputs back for an answer or sending
// them down a path that is then abandoned. Everything after this runs on
// the main loop.
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
  if (connection) {
    g_dbus_connection_close_sync(connection, nullptr, nullptr);
  }
  // KDE Plasma: KWin's input through EIS is chosen here, before the
  // wlroots protocols, which KWin does not offer.
#ifdef QUORVEL_HAVE_WLROOTS
  std::string why;
  if (std::unique_ptr<wlroots::Connection> wayland =
          wlroots::Connection::Open(kWaylandProbeTimeoutMs, &why)) {
    return CreateWlrootsBackend(std::move(wayland));
  }
#endif
  fprintf(stderr,
          "[GnomeBackend] %s is not on the session bus: input goes through "
          "X11 (XWayland)\n",
          gnome::kRemoteDesktopName);
  return CreateX11Backend();
}

}  // namespace quorvel
