#include <gio/gio.h>

#include <cstdio>
#include <memory>
#include <string>

#include "backend/backend.h"
#include "backend/common/session_bus.h"
#include "backend/common/session_type.h"
#include "backend/eis/eis_backend.h"
#include "backend/eis/libei_api.h"
#include "backend/gnome/bus_names.h"
#include "backend/gnome/gnome_backend.h"
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

// The one line that names the backend a Wayland session gets, and why.
void Say(const std::string& line) {
  fprintf(stderr, "[Backend] %s\n", line.c_str());
}

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
      common::ConnectPrivately(common::SessionBusAddress());
  if (connection &&
      common::NameHasOwner(connection, gnome::kRemoteDesktopName)) {
    Say(std::string("GNOME: input through mutter's remote-desktop API (") +
        gnome::kRemoteDesktopName + ")");
    return CreateGnomeBackend(connection, CreateX11Backend());
  }
  if (connection && KwinOffersEis(connection)) {
    std::string error;
    if (const eis::LibeiApi* api = eis::LoadLibei(&error)) {
      Say(std::string("KDE: input through KWin's EIS endpoint (") +
          eis::kLibeiSoname + ")");
      return CreateEisBackend(api, connection, CreateX11Backend());
    }
    g_dbus_connection_close_sync(connection, nullptr, nullptr);
    Say(std::string("X11 (XWayland): KWin offers EIS, but ") +
        eis::kLibeiSoname + " cannot be loaded (" + error +
        "); it comes with the package libei1 (Debian, Ubuntu) or libei "
        "(Fedora, Arch)");
    return CreateX11Backend();
  }
  if (connection) {
    g_dbus_connection_close_sync(connection, nullptr, nullptr);
  }
  std::string neither = std::string("X11 (XWayland): neither ") +
                        gnome::kRemoteDesktopName +
                        " nor KWin's EIS endpoint is on the session bus";
#ifdef QUORVEL_HAVE_WLROOTS
  std::string why;
  if (std::unique_ptr<wlroots::Connection> wayland =
          wlroots::Connection::Open(kWaylandProbeTimeoutMs, &why)) {
    return CreateWlrootsBackend(std::move(wayland));
  }
  neither += ", and the compositor offers no virtual pointer and keyboard (" +
             why + ")";
#endif
  Say(neither);
  return CreateX11Backend();
}

}  // namespace quorvel
