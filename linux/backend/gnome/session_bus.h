#ifndef QUORVEL_BACKEND_GNOME_SESSION_BUS_H_
#define QUORVEL_BACKEND_GNOME_SESSION_BUS_H_

#include <gio/gio.h>

namespace quorvel {
namespace gnome {

// A private connection to the bus at `address` (transfer full), or null. The
// app's shared connection stays untouched: the compositor ties a
// remote-desktop session to the connection that created it, and closing ours
// must not close the app's.
GDBusConnection* ConnectPrivately(const char* address);

// The session bus's address from the environment, or null. Never launches a
// bus: a desktop without one simply has no GNOME backend.
const char* SessionBusAddress();

// True when `name` has an owner on `connection`, asked with a short timeout.
bool NameHasOwner(GDBusConnection* connection, const char* name);

}  // namespace gnome
}  // namespace quorvel

#endif  // QUORVEL_BACKEND_GNOME_SESSION_BUS_H_
