#ifndef QUORVEL_TESTS_SUPPORT_CHANNEL_METHODS_H_
#define QUORVEL_TESTS_SUPPORT_CHANNEL_METHODS_H_

#include <cstddef>

// The method names the plugin's channel serves, spelled once for the tests,
// the fuzzers and the command-line driver. The plugin keeps its own table
// (linux/plugin/method_call_handler.cc); the dispatcher test checks each of
// these names reaches it.

namespace quorvel {
namespace method {

inline constexpr char kGetPlatformVersion[] = "getPlatformVersion";
inline constexpr char kGetUsername[] = "getUsername";
inline constexpr char kLockScreen[] = "lockScreen";
inline constexpr char kGetPlatformTheme[] = "getPlatformTheme";
inline constexpr char kGetPlatformThemePointer[] = "getPlatformThemePointer";
inline constexpr char kGetMouseCoords[] = "getMouseCoords";
inline constexpr char kScreenSize[] = "screenSize";
inline constexpr char kScreenList[] = "screenList";
inline constexpr char kHideCursor[] = "hideCursor";
inline constexpr char kShowCursor[] = "showCursor";
inline constexpr char kMoveMouse[] = "moveMouse";
inline constexpr char kDragMouse[] = "dragMouse";
inline constexpr char kWheelMouse[] = "wheelMouse";
inline constexpr char kMoveMouseAndClick[] = "moveMouseAndClick";
inline constexpr char kDoubleClick[] = "doubleClick";
inline constexpr char kKeyboardClick[] = "keyboardClick";
inline constexpr char kKeyboardClickShiftPressed[] =
    "keyboardClickShiftPressed";
inline constexpr char kKeyboardClickCommandPressed[] =
    "keyboardClickCommandPressed";
inline constexpr char kKeyboardPress[] = "keyboardPress";
inline constexpr char kOpenDirectory[] = "openDirectory";
inline constexpr char kGetCurrentDirectory[] = "getCurrentDirectory";
inline constexpr char kStartCmdTabInterception[] = "startCmdTabInterception";
inline constexpr char kStopCmdTabInterception[] = "stopCmdTabInterception";
inline constexpr char kHasScreenAccess[] = "hasScreenAccess";
inline constexpr char kHasAXIsProcessTrusted[] = "hasAXIsProcessTrusted";
inline constexpr char kHasFullAccessDisk[] = "hasFullAccessDisk";
inline constexpr char kSetScreenAccess[] = "setScreenAccess";
inline constexpr char kSetFullAccessDisk[] = "setFullAccessDisk";
inline constexpr char kSetAXIsProcessTrusted[] = "setAXIsProcessTrusted";
inline constexpr char kSetFinderControl[] = "setFinderControl";
inline constexpr char kGetFinderControl[] = "getFinderControl";
inline constexpr char kGetMousePath[] = "getMousePath";

}  // namespace method

namespace testing {

// Every method name, in the order the plugin matches them. Shared by the
// tests and the fuzzers that walk all of them.
inline constexpr const char* kChannelMethods[] = {
    method::kGetPlatformVersion,
    method::kGetUsername,
    method::kLockScreen,
    method::kGetPlatformTheme,
    method::kGetPlatformThemePointer,
    method::kGetMouseCoords,
    method::kScreenSize,
    method::kScreenList,
    method::kHideCursor,
    method::kShowCursor,
    method::kMoveMouse,
    method::kDragMouse,
    method::kWheelMouse,
    method::kMoveMouseAndClick,
    method::kDoubleClick,
    method::kKeyboardClick,
    method::kKeyboardClickShiftPressed,
    method::kKeyboardClickCommandPressed,
    method::kKeyboardPress,
    method::kOpenDirectory,
    method::kGetCurrentDirectory,
    method::kStartCmdTabInterception,
    method::kStopCmdTabInterception,
    method::kHasScreenAccess,
    method::kHasAXIsProcessTrusted,
    method::kHasFullAccessDisk,
    method::kSetScreenAccess,
    method::kSetFullAccessDisk,
    method::kSetAXIsProcessTrusted,
    method::kSetFinderControl,
    method::kGetFinderControl,
    method::kGetMousePath,
};
inline constexpr size_t kChannelMethodCount =
    sizeof(kChannelMethods) / sizeof(kChannelMethods[0]);

}  // namespace testing
}  // namespace quorvel

#endif  // QUORVEL_TESTS_SUPPORT_CHANNEL_METHODS_H_
