#ifndef QUORVEL_BACKEND_X11_KEYS_H_
#define QUORVEL_BACKEND_X11_KEYS_H_

#include <X11/Xlib.h>

#include <vector>

#include "backend/common/key_hold.h"

namespace quorvel {
namespace x11 {

// Has libXtst fetch what it needs to know about the server's XTest now. It
// does so on its first request otherwise: round trips that would wait
// behind any key release the server is still holding back.
void PrepareXTest(Display* display);

// One transition of `keycode`, flushed at once so it reaches the server in
// the order called.
void SendKeycode(Display* display, KeyCode keycode, bool press);

// The order in which TapKeycode lets the modifiers up.
enum class ModifierRelease { kReversed, kAsPressed };

// Presses `modifiers` first to last and then `keycode`, releases `keycode`
// kKeyHoldDelayMs later and then the modifiers (last to first unless told
// otherwise), and returns at once. The hold is XTest's own delay: the server
// waits before acting on the release and on everything this connection
// sends after it, so events stay in order and the app's thread never
// sleeps. One flush for all of it.
void TapKeycode(Display* display,
                KeyCode keycode,
                const std::vector<KeyCode>& modifiers,
                ModifierRelease release = ModifierRelease::kReversed);

}  // namespace x11
}  // namespace quorvel

#endif  // QUORVEL_BACKEND_X11_KEYS_H_
