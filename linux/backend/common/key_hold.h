#ifndef QUORVEL_BACKEND_COMMON_KEY_HOLD_H_
#define QUORVEL_BACKEND_COMMON_KEY_HOLD_H_

namespace quorvel {

// How long a pressed key is held before its release, in milliseconds of the
// desktop's clock. Long enough for applications that sample key state (games,
// terminals with auto-repeat filters) to see the key down, short enough to
// type at a natural pace.
constexpr unsigned long kKeyHoldDelayMs = 15;

}  // namespace quorvel

#endif  // QUORVEL_BACKEND_COMMON_KEY_HOLD_H_
