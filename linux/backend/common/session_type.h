#ifndef QUORVEL_BACKEND_COMMON_SESSION_TYPE_H_
#define QUORVEL_BACKEND_COMMON_SESSION_TYPE_H_

namespace quorvel {
namespace common {

// True when the desktop session is a Wayland one: the login manager says so,
// or a compositor's socket is named in the environment.
bool IsWaylandSession();

}  // namespace common
}  // namespace quorvel

#endif  // QUORVEL_BACKEND_COMMON_SESSION_TYPE_H_
