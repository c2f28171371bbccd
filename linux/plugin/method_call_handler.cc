#include "plugin/method_call_handler.h"

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

// Argument keys.
constexpr char kX[] = "x";
constexpr char kY[] = "y";
constexpr char kDelta[] = "delta";
constexpr char kType[] = "type";
constexpr char kButton[] = "button";
constexpr char kKey[] = "key";
constexpr char kChar[] = "char";
constexpr char kPath[] = "path";

// Values of "type" that select a single key transition.
constexpr char kTypeDown[] = "Down";
constexpr char kTypeUp[] = "Up";

// macOS virtual key codes of the modifiers the two modifier methods hold.
constexpr uint32_t kMacShift = 56;
constexpr uint32_t kMacCommand = 55;

constexpr char kUnavailableCode[] = "UNAVAILABLE";
constexpr char kUnavailableMessage[] = "Plugin backend has been disposed";

// The value under the first string key equal to `key`, or null, as
// fl_value_lookup_string finds it, but without the temporary key value that
// makes for each lookup. A call without arguments arrives as a null value,
// and looking a key up in anything but a map is a programming error to the
// embedding, so the type is checked first.
FlValue* LookupArg(FlValue* args, const char* key) {
  if (args == nullptr || fl_value_get_type(args) != FL_VALUE_TYPE_MAP) {
    return nullptr;
  }
  const size_t length = fl_value_get_length(args);
  for (size_t i = 0; i < length; i++) {
    FlValue* name = fl_value_get_map_key(args, i);
    if (fl_value_get_type(name) == FL_VALUE_TYPE_STRING &&
        strcmp(fl_value_get_string(name), key) == 0) {
      return fl_value_get_map_value(args, i);
    }
  }
  return nullptr;
}

// Integers keep their low 32 bits; floats are truncated toward zero, and
// NaN or anything outside the 32-bit range becomes INT32_MIN. Any other
// type gives the default.
int32_t IntArg(FlValue* args, const char* key, int32_t default_value) {
  FlValue* value = LookupArg(args, key);
  if (value == nullptr) {
    return default_value;
  }
  switch (fl_value_get_type(value)) {
    case FL_VALUE_TYPE_INT:
      return static_cast<int32_t>(static_cast<uint32_t>(
          static_cast<uint64_t>(fl_value_get_int(value))));
    case FL_VALUE_TYPE_FLOAT: {
      double truncated = std::trunc(fl_value_get_float(value));
      if (std::isnan(truncated) || truncated < INT32_MIN ||
          truncated > INT32_MAX) {
        return INT32_MIN;
      }
      return static_cast<int32_t>(truncated);
    }
    default:
      return default_value;
  }
}

// The text of a string value, up to its first NUL; empty for anything else.
// It lives as long as `args`, that is, the call.
std::string_view StringArg(FlValue* args, const char* key) {
  FlValue* value = LookupArg(args, key);
  if (value == nullptr || fl_value_get_type(value) != FL_VALUE_TYPE_STRING) {
    return std::string_view();
  }
  return std::string_view(fl_value_get_string(value));
}

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

FlMethodResponse* GetPlatformVersion(Backend& backend, FlValue*) {
  return SuccessString(backend.GetPlatformVersion().c_str());
}

FlMethodResponse* GetUsername(Backend& backend, FlValue*) {
  return SuccessString(backend.GetUsername().c_str());
}

// Replies at once: the lock goes on on the app's main loop, falling back to
// loginctl by itself, and the app has nothing else to try.
FlMethodResponse* LockScreen(Backend& backend, FlValue*) {
  backend.LockScreen();
  return SuccessNull();
}

FlMethodResponse* GetPlatformTheme(Backend& backend, FlValue*) {
  return SuccessBool(backend.IsDarkTheme());
}

FlMethodResponse* GetPlatformThemePointer(Backend&, FlValue*) {
  return Success(fl_value_new_int(0));
}

FlMethodResponse* GetMouseCoords(Backend& backend, FlValue*) {
  int32_t x = 0;
  int32_t y = 0;
  backend.GetMouseCoords(&x, &y);
  return SuccessString(ReplyText().Point(x, y).c_str());
}

FlMethodResponse* ScreenSize(Backend& backend, FlValue*) {
  int32_t width = 0;
  int32_t height = 0;
  backend.GetScreenSize(&width, &height);
  return SuccessString(ReplyText().Point(width, height).c_str());
}

FlMethodResponse* ScreenList(Backend& backend, FlValue*) {
  FlValue* list = fl_value_new_list();
  for (const ScreenInfo& screen : backend.GetScreenList()) {
    fl_value_append_take(
        list, fl_value_new_string(ReplyText().Screen(screen).c_str()));
  }
  return Success(list);
}

FlMethodResponse* HideCursor(Backend& backend, FlValue*) {
  backend.HideCursor();
  return SuccessNull();
}

FlMethodResponse* ShowCursor(Backend& backend, FlValue*) {
  backend.ShowCursor();
  return SuccessNull();
}

FlMethodResponse* MoveMouse(Backend& backend, FlValue* args) {
  int32_t x = IntArg(args, kX, 0);
  int32_t y = IntArg(args, kY, 0);
  backend.MoveMouse(x, y);
  return SuccessNull();
}

FlMethodResponse* DragMouse(Backend& backend, FlValue* args) {
  int32_t x = IntArg(args, kX, 0);
  int32_t y = IntArg(args, kY, 0);
  backend.DragMouse(x, y);
  return SuccessNull();
}

FlMethodResponse* WheelMouse(Backend& backend, FlValue* args) {
  int32_t x = IntArg(args, kX, 0);
  int32_t y = IntArg(args, kY, 0);
  int32_t delta = IntArg(args, kDelta, 0);
  backend.WheelMouse(x, y, delta);
  return SuccessNull();
}

FlMethodResponse* MoveMouseAndClick(Backend& backend, FlValue* args) {
  int32_t x = IntArg(args, kX, 0);
  int32_t y = IntArg(args, kY, 0);
  backend.MouseClick(x, y, StringArg(args, kType), StringArg(args, kButton));
  return SuccessNull();
}

FlMethodResponse* DoubleClick(Backend& backend, FlValue* args) {
  int32_t x = IntArg(args, kX, 0);
  int32_t y = IntArg(args, kY, 0);
  backend.DoubleClick(x, y);
  return SuccessNull();
}

// The key code travels as a Dart int; its 32 bits are the macOS code, so -1
// names 0xffffffff (a code without a key).
uint32_t KeyArg(FlValue* args) {
  return static_cast<uint32_t>(IntArg(args, kKey, 0));
}

FlMethodResponse* KeyboardClick(Backend& backend, FlValue* args) {
  uint32_t key = KeyArg(args);
  const std::string_view type = StringArg(args, kType);
  if (type == kTypeDown) {
    backend.KeyDown(key);
  } else if (type == kTypeUp) {
    backend.KeyUp(key);
  } else {
    backend.KeyPress(key);
  }
  return SuccessNull();
}

FlMethodResponse* KeyboardClickShiftPressed(Backend& backend, FlValue* args) {
  backend.KeyPressWithModifiers(KeyArg(args), {kMacShift});
  return SuccessNull();
}

FlMethodResponse* KeyboardClickCommandPressed(Backend& backend, FlValue* args) {
  backend.KeyPressWithModifiers(KeyArg(args), {kMacCommand});
  return SuccessNull();
}

FlMethodResponse* KeyboardPress(Backend& backend, FlValue* args) {
  return SuccessBool(backend.TypeText(std::string(StringArg(args, kChar))));
}

// The opener runs detached; whether it found a handler is not known here.
FlMethodResponse* OpenDirectory(Backend& backend, FlValue* args) {
  backend.OpenDirectory(std::string(StringArg(args, kPath)));
  return SuccessNull();
}

FlMethodResponse* GetCurrentDirectory(Backend&, FlValue*) {
  g_autofree gchar* directory = g_get_current_dir();
  return Success(fl_value_new_string(directory));
}

// The macOS-only methods: permissions and integrations that Linux does not
// gate, answered so that shared Dart code runs unchanged.
FlMethodResponse* ReplyFalse(Backend&, FlValue*) {
  return SuccessBool(false);
}

FlMethodResponse* ReplyTrue(Backend&, FlValue*) {
  return SuccessBool(true);
}

FlMethodResponse* ReplyNull(Backend&, FlValue*) {
  return SuccessNull();
}

FlMethodResponse* GetFinderControl(Backend&, FlValue*) {
  return SuccessString("1");
}

using Handler = FlMethodResponse* (*)(Backend&, FlValue*);

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
      return entry.handler(backend, args);
    }
  }
  return FL_METHOD_RESPONSE(fl_method_not_implemented_response_new());
}

FlMethodResponse* BackendDisposedResponse() {
  return FL_METHOD_RESPONSE(fl_method_error_response_new(
      kUnavailableCode, kUnavailableMessage, nullptr));
}

}  // namespace quorvel
