#include "backend/common/session_type.h"

#include <cstdlib>
#include <cstring>

namespace quorvel {
namespace common {

bool IsWaylandSession() {
  const char* session_type = getenv("XDG_SESSION_TYPE");
  return (session_type && strcmp(session_type, "wayland") == 0) ||
         getenv("WAYLAND_DISPLAY") != nullptr;
}

}  // namespace common
}  // namespace quorvel
