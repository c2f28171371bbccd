#include "driver/method_table.h"

#include "tests/support/channel_methods.h"

namespace quorvel {
namespace driver {

const std::vector<MethodInfo>& Methods() {
  static const std::vector<MethodInfo> methods = {
      {method::kGetPlatformVersion, "", "string"},
      {method::kGetUsername, "", "string"},
      {method::kLockScreen, "", "null"},
      {method::kGetPlatformTheme, "", "bool, true for a dark theme"},
      {method::kGetPlatformThemePointer, "", "0"},
      {method::kGetMouseCoords, "", "\"x:y\""},
      {method::kScreenSize, "", "\"width:height\""},
      {method::kScreenList, "", "[\"id@width:height:x:y:scale\", ...]"},
      {method::kHideCursor, "", "null"},
      {method::kShowCursor, "", "null"},
      {method::kMoveMouse, "x=INT y=INT", "null"},
      {method::kDragMouse, "x=INT y=INT", "null"},
      {method::kWheelMouse, "x=INT y=INT delta=INT (>0 up, <=0 down)", "null"},
      {method::kMoveMouseAndClick,
       "x=INT y=INT type=Down|Up button=Left|Middle|Right", "null"},
      {method::kDoubleClick, "x=INT y=INT", "null"},
      {method::kKeyboardClick, "key=MACVK type=Down|Up|Press", "null"},
      {method::kKeyboardClickShiftPressed, "key=MACVK", "null"},
      {method::kKeyboardClickCommandPressed, "key=MACVK", "null"},
      {method::kKeyboardPress, "char=TEXT (one character or a KeySym name)",
       "bool, true when typed"},
      {method::kOpenDirectory, "path=TEXT", "null"},
      {method::kGetCurrentDirectory, "", "string"},
      {method::kStartCmdTabInterception, "", "false"},
      {method::kStopCmdTabInterception, "", "false"},
      {method::kHasScreenAccess, "", "true"},
      {method::kHasAXIsProcessTrusted, "", "true"},
      {method::kHasFullAccessDisk, "", "false"},
      {method::kSetScreenAccess, "", "null"},
      {method::kSetFullAccessDisk, "", "null"},
      {method::kSetAXIsProcessTrusted, "", "null"},
      {method::kSetFinderControl, "", "null"},
      {method::kGetFinderControl, "", "\"1\""},
      {method::kGetMousePath, "", "null"},
  };
  return methods;
}

}  // namespace driver
}  // namespace quorvel
