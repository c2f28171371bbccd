#include "driver/method_table.h"

namespace quorvel {
namespace driver {

const std::vector<MethodInfo>& Methods() {
  static const std::vector<MethodInfo> methods = {
      {"getPlatformVersion", "", "string"},
      {"getUsername", "", "string"},
      {"lockScreen", "", "null"},
      {"getPlatformTheme", "", "bool, true for a dark theme"},
      {"getPlatformThemePointer", "", "0"},
      {"getMouseCoords", "", "\"x:y\""},
      {"screenSize", "", "\"width:height\""},
      {"screenList", "", "[\"id@width:height:x:y:scale\", ...]"},
      {"hideCursor", "", "null"},
      {"showCursor", "", "null"},
      {"moveMouse", "x=INT y=INT", "null"},
      {"dragMouse", "x=INT y=INT", "null"},
      {"wheelMouse", "x=INT y=INT delta=INT (>0 up, <=0 down)", "null"},
      {"moveMouseAndClick", "x=INT y=INT type=Down|Up button=Left|Middle|Right",
       "null"},
      {"doubleClick", "x=INT y=INT", "null"},
      {"keyboardClick", "key=MACVK type=Down|Up|Press", "null"},
      {"keyboardClickShiftPressed", "key=MACVK", "null"},
      {"keyboardClickCommandPressed", "key=MACVK", "null"},
      {"keyboardPress", "char=TEXT (one character or a KeySym name)",
       "bool, true when typed"},
      {"openDirectory", "path=TEXT", "null"},
      {"getCurrentDirectory", "", "string"},
      {"startCmdTabInterception", "", "false"},
      {"stopCmdTabInterception", "", "false"},
      {"hasScreenAccess", "", "true"},
      {"hasAXIsProcessTrusted", "", "true"},
      {"hasFullAccessDisk", "", "false"},
      {"setScreenAccess", "", "null"},
      {"setFullAccessDisk", "", "null"},
      {"setAXIsProcessTrusted", "", "null"},
      {"setFinderControl", "", "null"},
      {"getFinderControl", "", "\"1\""},
      {"getMousePath", "", "null"},
  };
  return methods;
}

}  // namespace driver
}  // namespace quorvel
