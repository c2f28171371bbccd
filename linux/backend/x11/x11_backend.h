#ifndef QUORVEL_BACKEND_X11_X11_BACKEND_H_
#define QUORVEL_BACKEND_X11_X11_BACKEND_H_

#include <memory>

#include "backend/backend.h"

namespace quorvel {

// The XTest backend on the display the environment names (with or without
// one): the whole desktop on X11, XWayland's windows on Wayland.
std::unique_ptr<Backend> CreateX11Backend();

}  // namespace quorvel

#endif  // QUORVEL_BACKEND_X11_X11_BACKEND_H_
