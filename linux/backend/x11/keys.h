#ifndef QUORVEL_BACKEND_X11_KEYS_H_
#define QUORVEL_BACKEND_X11_KEYS_H_

#include <X11/Xlib.h>

#include <cstdint>
#include <ctime>

namespace quorvel {

// How long a pressed key is held before its release. Long enough for
// applications that sample key state (games, terminals with auto-repeat
// filters) to see the key down, short enough to type at a natural pace.
constexpr timespec kKeyHoldDelay = {0, 15'000'000};

namespace x11 {

// Waits kKeyHoldDelay, resuming after signals for the remaining time.
void HoldKey();

// One press or release of the key a macOS code names, flushed at once.
// `display` may be null: then nothing is sent.
// Codes without a KeySym, and KeySyms no key carries, send nothing.
void SendKeyTransition(Display* display, uint32_t mac_key, bool pressed);

}  // namespace x11
}  // namespace quorvel

#endif  // QUORVEL_BACKEND_X11_KEYS_H_
