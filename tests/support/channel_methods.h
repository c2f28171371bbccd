#ifndef QUORVEL_TESTS_SUPPORT_CHANNEL_METHODS_H_
#define QUORVEL_TESTS_SUPPORT_CHANNEL_METHODS_H_

#include <cstddef>

namespace quorvel {
namespace testing {

// Every method name the channel serves, in the order the plugin matches
// them. Shared by the tests and the fuzzers that walk all of them.
inline constexpr const char* kChannelMethods[] = {
    "getPlatformVersion",
    "getUsername",
    "lockScreen",
    "getPlatformTheme",
    "getPlatformThemePointer",
    "getMouseCoords",
    "screenSize",
    "screenList",
    "hideCursor",
    "showCursor",
    "moveMouse",
    "dragMouse",
    "wheelMouse",
    "moveMouseAndClick",
    "doubleClick",
    "keyboardClick",
    "keyboardClickShiftPressed",
    "keyboardClickCommandPressed",
    "keyboardPress",
    "openDirectory",
    "getCurrentDirectory",
    "startCmdTabInterception",
    "stopCmdTabInterception",
    "hasScreenAccess",
    "hasAXIsProcessTrusted",
    "hasFullAccessDisk",
    "setScreenAccess",
    "setFullAccessDisk",
    "setAXIsProcessTrusted",
    "setFinderControl",
    "getFinderControl",
    "getMousePath",
};
inline constexpr size_t kChannelMethodCount =
    sizeof(kChannelMethods) / sizeof(kChannelMethods[0]);

}  // namespace testing
}  // namespace quorvel

#endif  // QUORVEL_TESTS_SUPPORT_CHANNEL_METHODS_H_
