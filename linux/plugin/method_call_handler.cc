#include "plugin/method_call_handler.h"

#include "plugin/call_args.h"
#include "plugin/reply_text.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel {
namespace {

// Method names.
constexpr char kGetPlatformVersion[] = "getPlatformVersion";
constexpr char kGetUsername[] = "getUsername";
constexpr char kLockScreen[] = "lockScreen";
constexpr char kGetPlatformTheme[] = "getPlatformTheme";
constexpr char kGetPlatformThemePointer[] = "getPlatformThemePointer";
constexpr char kGetMouseCoords[] = "getMouseCoords";
constexpr char kScreenSize[] = "screenSize";
constexpr char kScreenList[] = "screenList";
constexpr char kHideCursor[] = "hideCursor";
constexpr char kShowCursor[] = "showCursor";
constexpr char kMoveMouse[] = "moveMouse";
constexpr char kDragMouse[] = "dragMouse";
constexpr char kWheelMouse[] = "wheelMouse";
constexpr char kMoveMouseAndClick[] = "moveMouseAndClick";
constexpr char kDoubleClick[] = "doubleClick";
constexpr char kKeyboardClick[] = "keyboardClick";
constexpr char kKeyboardClickShiftPressed[] = "keyboardClickShiftPressed";
constexpr char kKeyboardClickCommandPressed[] = "keyboardClickCommandPressed";
constexpr char kKeyboardPress[] = "keyboardPress";
constexpr char kOpenDirectory[] = "openDirectory";
constexpr char kGetCurrentDirectory[] = "getCurrentDirectory";
constexpr char kStartCmdTabInterception[] = "startCmdTabInterception";
constexpr char kStopCmdTabInterception[] = "stopCmdTabInterception";
constexpr char kHasScreenAccess[] = "hasScreenAccess";
constexpr char kHasAXIsProcessTrusted[] = "hasAXIsProcessTrusted";
constexpr char kHasFullAccessDisk[] = "hasFullAccessDisk";
constexpr char kSetScreenAccess[] = "setScreenAccess";
constexpr char kSetFullAccessDisk[] = "setFullAccessDisk";
constexpr char kSetAXIsProcessTrusted[] = "setAXIsProcessTrusted";
constexpr char kSetFinderControl[] = "setFinderControl";
constexpr char kGetFinderControl[] = "getFinderControl";
constexpr char kGetMousePath[] = "getMousePath";

// Values of "type" that select a single key transition.
constexpr char kTypeDown[] = "Down";
constexpr char kTypeUp[] = "Up";

// macOS virtual key codes of the modifiers the two modifier methods hold.
constexpr uint32_t kMacShift = 56;
constexpr uint32_t kMacCommand = 55;

constexpr char kUnavailableCode[] = "UNAVAILABLE";
constexpr char kUnavailableMessage[] = "Plugin backend has been disposed";

FlMethodResponse* Success(FlValue* result) {
  g_autoptr(FlValue) owned = result;
  return FL_METHOD_RESPONSE(fl_method_success_response_new(owned));
}

FlMethodResponse* SuccessNull() {
  return FL_METHOD_RESPONSE(fl_method_success_response_new(nullptr));
}

FlMethodResponse* SuccessString(const char* text) {
  return Success(fl_value_new_string(text));
}

FlMethodResponse* SuccessBool(bool value) {
  return Success(fl_value_new_bool(value));
}

FlMethodResponse* GetPlatformVersion(Backend& backend, const CallArgs&) {
  return SuccessString(backend.GetPlatformVersion().c_str());
}

FlMethodResponse* GetUsername(Backend& backend, const CallArgs&) {
  return SuccessString(backend.GetUsername().c_str());
}

// Replies at once: the lock goes on on the app's main loop, falling back to
// loginctl by itself, and the app has nothing else to try.
FlMethodResponse* LockScreen(Backend& backend, const CallArgs&) {
  backend.LockScreen();
  return SuccessNull();
}

FlMethodResponse* GetPlatformTheme(Backend& backend, const CallArgs&) {
  return SuccessBool(backend.IsDarkTheme());
}

FlMethodResponse* GetPlatformThemePointer(Backend&, const CallArgs&) {
  return Success(fl_value_new_int(0));
}

FlMethodResponse* GetMouseCoords(Backend& backend, const CallArgs&) {
  int32_t x = 0;
  int32_t y = 0;
  backend.GetMouseCoords(&x, &y);
  return SuccessString(ReplyText().Point(x, y).c_str());
}

FlMethodResponse* ScreenSize(Backend& backend, const CallArgs&) {
  int32_t width = 0;
  int32_t height = 0;
  backend.GetScreenSize(&width, &height);
  return SuccessString(ReplyText().Point(width, height).c_str());
}

FlMethodResponse* ScreenList(Backend& backend, const CallArgs&) {
  FlValue* list = fl_value_new_list();
  for (const ScreenInfo& screen : backend.GetScreenList()) {
    fl_value_append_take(
        list, fl_value_new_string(ReplyText().Screen(screen).c_str()));
  }
  return Success(list);
}

FlMethodResponse* HideCursor(Backend& backend, const CallArgs&) {
  backend.HideCursor();
  return SuccessNull();
}

FlMethodResponse* ShowCursor(Backend& backend, const CallArgs&) {
  backend.ShowCursor();
  return SuccessNull();
}

FlMethodResponse* MoveMouse(Backend& backend, const CallArgs& args) {
  int32_t x = args.Int(CallArgs::kX);
  int32_t y = args.Int(CallArgs::kY);
  backend.MoveMouse(x, y);
  return SuccessNull();
}

FlMethodResponse* DragMouse(Backend& backend, const CallArgs& args) {
  int32_t x = args.Int(CallArgs::kX);
  int32_t y = args.Int(CallArgs::kY);
  backend.DragMouse(x, y);
  return SuccessNull();
}

FlMethodResponse* WheelMouse(Backend& backend, const CallArgs& args) {
  int32_t x = args.Int(CallArgs::kX);
  int32_t y = args.Int(CallArgs::kY);
  int32_t delta = args.Int(CallArgs::kDelta);
  backend.WheelMouse(x, y, delta);
  return SuccessNull();
}

FlMethodResponse* MoveMouseAndClick(Backend& backend, const CallArgs& args) {
  int32_t x = args.Int(CallArgs::kX);
  int32_t y = args.Int(CallArgs::kY);
  backend.MouseClick(x, y, args.String(CallArgs::kType),
                     args.String(CallArgs::kButton));
  return SuccessNull();
}

FlMethodResponse* DoubleClick(Backend& backend, const CallArgs& args) {
  int32_t x = args.Int(CallArgs::kX);
  int32_t y = args.Int(CallArgs::kY);
  backend.DoubleClick(x, y);
  return SuccessNull();
}

// The key code travels as a Dart int; its 32 bits are the macOS code, so -1
// names 0xffffffff (a code without a key).
uint32_t KeyArg(const CallArgs& args) {
  return static_cast<uint32_t>(args.Int(CallArgs::kKey));
}

FlMethodResponse* KeyboardClick(Backend& backend, const CallArgs& args) {
  uint32_t key = KeyArg(args);
  const std::string_view type = args.String(CallArgs::kType);
  if (type == kTypeDown) {
    backend.KeyDown(key);
  } else if (type == kTypeUp) {
    backend.KeyUp(key);
  } else {
    backend.KeyPress(key);
  }
  return SuccessNull();
}

FlMethodResponse* KeyboardClickShiftPressed(Backend& backend,
                                            const CallArgs& args) {
  backend.KeyPressWithModifiers(KeyArg(args), {kMacShift});
  return SuccessNull();
}

FlMethodResponse* KeyboardClickCommandPressed(Backend& backend,
                                              const CallArgs& args) {
  backend.KeyPressWithModifiers(KeyArg(args), {kMacCommand});
  return SuccessNull();
}

FlMethodResponse* KeyboardPress(Backend& backend, const CallArgs& args) {
  return SuccessBool(
      backend.TypeText(std::string(args.String(CallArgs::kChar))));
}

// The opener runs detached; whether it found a handler is not known here.
FlMethodResponse* OpenDirectory(Backend& backend, const CallArgs& args) {
  backend.OpenDirectory(std::string(args.String(CallArgs::kPath)));
  return SuccessNull();
}

FlMethodResponse* GetCurrentDirectory(Backend&, const CallArgs&) {
  g_autofree gchar* directory = g_get_current_dir();
  return Success(fl_value_new_string(directory));
}

// The macOS-only methods: permissions and integrations that Linux does not
// gate, answered so that shared Dart code runs unchanged.
FlMethodResponse* ReplyFalse(Backend&, const CallArgs&) {
  return SuccessBool(false);
}

FlMethodResponse* ReplyTrue(Backend&, const CallArgs&) {
  return SuccessBool(true);
}

FlMethodResponse* ReplyNull(Backend&, const CallArgs&) {
  return SuccessNull();
}

FlMethodResponse* GetFinderControl(Backend&, const CallArgs&) {
  return SuccessString("1");
}

using Handler = FlMethodResponse* (*)(Backend&, const CallArgs&);

struct Method {
  std::string_view name;
  Handler handler;
};

// The input methods first, in the order a remote session calls them most:
// a name is matched by its length before its bytes, so one of these costs
// a handful of comparisons.
constexpr Method kMethods[] = {
    {kMoveMouse, MoveMouse},
    {kMoveMouseAndClick, MoveMouseAndClick},
    {kWheelMouse, WheelMouse},
    {kDragMouse, DragMouse},
    {kKeyboardPress, KeyboardPress},
    {kKeyboardClick, KeyboardClick},
    {kKeyboardClickShiftPressed, KeyboardClickShiftPressed},
    {kKeyboardClickCommandPressed, KeyboardClickCommandPressed},
    {kDoubleClick, DoubleClick},
    {kGetMouseCoords, GetMouseCoords},
    {kScreenSize, ScreenSize},
    {kScreenList, ScreenList},
    {kHideCursor, HideCursor},
    {kShowCursor, ShowCursor},
    {kGetPlatformVersion, GetPlatformVersion},
    {kGetUsername, GetUsername},
    {kLockScreen, LockScreen},
    {kGetPlatformTheme, GetPlatformTheme},
    {kGetPlatformThemePointer, GetPlatformThemePointer},
    {kOpenDirectory, OpenDirectory},
    {kGetCurrentDirectory, GetCurrentDirectory},
    {kStartCmdTabInterception, ReplyFalse},
    {kStopCmdTabInterception, ReplyFalse},
    {kHasScreenAccess, ReplyTrue},
    {kHasAXIsProcessTrusted, ReplyTrue},
    {kHasFullAccessDisk, ReplyFalse},
    {kSetScreenAccess, ReplyNull},
    {kSetFullAccessDisk, ReplyNull},
    {kSetAXIsProcessTrusted, ReplyNull},
    {kSetFinderControl, ReplyNull},
    {kGetFinderControl, GetFinderControl},
    {kGetMousePath, ReplyNull},
};

}  // namespace

FlMethodResponse* HandleMethodCall(Backend& backend,
                                   const gchar* method,
                                   FlValue* args) {
  const std::string_view name(method);
  for (const Method& entry : kMethods) {
    if (entry.name == name) {
      return entry.handler(backend, CallArgs(args));
    }
  }
  return FL_METHOD_RESPONSE(fl_method_not_implemented_response_new());
}

FlMethodResponse* BackendDisposedResponse() {
  return FL_METHOD_RESPONSE(fl_method_error_response_new(
      kUnavailableCode, kUnavailableMessage, nullptr));
}

}  // namespace quorvel
