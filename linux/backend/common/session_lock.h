#ifndef QUORVEL_BACKEND_COMMON_SESSION_LOCK_H_
#define QUORVEL_BACKEND_COMMON_SESSION_LOCK_H_

#include <cstddef>

namespace quorvel {
namespace common {

// Starts locking the session through logind, or `loginctl lock-session`
// when that fails, and returns at once: every step runs on the calling
// thread's main context, so the caller's loop must keep running. True when
// the attempt was started (always). Failures are logged as GLib warnings.
bool LockSession();

// How many attempts started by LockSession have not ended yet (an attempt
// ends when Session.Lock succeeded, or when the fallback command exited or
// could not be started). Lets a caller wait until nothing of a lock is left.
size_t LockAttemptsInFlight();

}  // namespace common
}  // namespace quorvel

#endif  // QUORVEL_BACKEND_COMMON_SESSION_LOCK_H_
