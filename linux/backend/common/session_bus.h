#ifndef QUORVEL_BACKEND_COMMON_SESSION_BUS_H_
#define QUORVEL_BACKEND_COMMON_SESSION_BUS_H_

#include <gio/gio.h>

namespace quorvel {
namespace common {

// A private connection to the bus at `address` (transfer full), or null. The
// app's shared connection stays untouched: a compositor ties a remote-desktop
// session (or an EIS connection) to the bus connection that asked for it,
// and closing ours must not close the app's.
GDBusConnection* ConnectPrivately(const char* address);

// The session bus's address from the environment, or null. Never launches a
// bus: a desktop without one simply has no compositor backend.
const char* SessionBusAddress();

// True when `name` has an owner on `connection`, asked with a short timeout.
bool NameHasOwner(GDBusConnection* connection, const char* name);

// Flushes `connection`, giving up after `ms`: what a backend sends at its
// teardown must leave before the connection closes (or the process exits),
// and a bus that stopped reading must not hang the app.
void FlushWithin(GDBusConnection* connection, int ms);

}  // namespace common
}  // namespace quorvel

#endif  // QUORVEL_BACKEND_COMMON_SESSION_BUS_H_
