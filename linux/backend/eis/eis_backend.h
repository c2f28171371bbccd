#ifndef QUORVEL_BACKEND_EIS_EIS_BACKEND_H_
#define QUORVEL_BACKEND_EIS_EIS_BACKEND_H_

#include <gio/gio.h>

#include <memory>

#include "backend/backend.h"
#include "backend/eis/libei_api.h"

namespace quorvel {

// True when KWin's EIS endpoint is on the bus of `connection`: org.kde.KWin
// has an owner and its object introspects with the endpoint's interface.
// Two quick questions, each with a short limit.
bool KwinOffersEis(GDBusConnection* connection);

// Input through KWin's EIS endpoint with libei (`api`), on `connection` (a
// private connection to the session bus; the backend takes a reference), so
// it reaches native Wayland windows. What Wayland has no global equivalent
// for (the pointer's position, the cursor) and the input while KWin refuses
// go to `x11`, which talks to XWayland when there is one.
std::unique_ptr<Backend> CreateEisBackend(const eis::LibeiApi* api,
                                          GDBusConnection* connection,
                                          std::unique_ptr<Backend> x11);

}  // namespace quorvel

#endif  // QUORVEL_BACKEND_EIS_EIS_BACKEND_H_
