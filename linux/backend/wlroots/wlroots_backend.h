#ifndef QUORVEL_BACKEND_WLROOTS_WLROOTS_BACKEND_H_
#define QUORVEL_BACKEND_WLROOTS_WLROOTS_BACKEND_H_

#include <memory>

#include "backend/backend.h"
#include "backend/wlroots/connection.h"

namespace quorvel {

// Input through the virtual pointer and virtual keyboard protocols that
// wlroots compositors (sway, Hyprland, labwc, river, niri, Wayfire) offer
// their clients, on `connection` (from wlroots::Connection::Open), which
// the backend keeps and serves from the main loop.
std::unique_ptr<Backend> CreateWlrootsBackend(
    std::unique_ptr<wlroots::Connection> connection);

}  // namespace quorvel

#endif  // QUORVEL_BACKEND_WLROOTS_WLROOTS_BACKEND_H_
