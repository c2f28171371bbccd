#ifndef QUORVEL_BACKEND_GNOME_GNOME_BACKEND_H_
#define QUORVEL_BACKEND_GNOME_GNOME_BACKEND_H_

#include <gio/gio.h>

#include <memory>

#include "backend/backend.h"

namespace quorvel {

// Input through mutter's remote-desktop API on `connection` (a private
// connection to the session bus; the backend takes a reference), so it
// reaches native Wayland windows. What Wayland has no global equivalent for
// (the pointer's position, the cursor) and the input while the API refuses
// go to `x11`, which talks to XWayland when there is one.
std::unique_ptr<Backend> CreateGnomeBackend(GDBusConnection* connection,
                                            std::unique_ptr<Backend> x11);

}  // namespace quorvel

#endif  // QUORVEL_BACKEND_GNOME_GNOME_BACKEND_H_
