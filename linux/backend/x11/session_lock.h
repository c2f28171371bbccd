#ifndef QUORVEL_BACKEND_X11_SESSION_LOCK_H_
#define QUORVEL_BACKEND_X11_SESSION_LOCK_H_

namespace quorvel {
namespace x11 {

// Locks the session through logind, or `loginctl lock-session` when that
// fails. True when the lock was requested successfully.
bool LockSession();

}  // namespace x11
}  // namespace quorvel

#endif  // QUORVEL_BACKEND_X11_SESSION_LOCK_H_
