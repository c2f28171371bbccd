#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "plugin/recording_backend.h"
#include "plugin/reply_bytes.h"
#include "support/plugin_channel.h"

namespace quorvel {
namespace testing {
namespace {

FlValue* Int(int64_t v) {
  return fl_value_new_int(v);
}
FlValue* Float(double v) {
  return fl_value_new_float(v);
}
FlValue* Str(const char* v) {
  return fl_value_new_string(v);
}

struct Case {
  const char* label;
  const char* method;
  std::function<FlValue*()> args;  // null function: the call carries no args
  std::function<void(RecordingBackend&)> setup;
  std::vector<std::string> calls;
  Bytes reply;
};

class DispatcherTest : public ::testing::Test {
 protected:
  void SetUp() override {
    channel_ = std::make_unique<PluginChannel>();
    backend_ = RecordingBackend::last();
    ASSERT_NE(backend_, nullptr);
  }

  Bytes Send(const char* method, FlValue* args) {
    Reply reply = channel_->Invoke(method, args);
    return reply.bytes;
  }

  std::unique_ptr<PluginChannel> channel_;
  RecordingBackend* backend_ = nullptr;
};

std::string CurrentDirectory() {
  g_autofree gchar* dir = g_get_current_dir();
  return dir;
}

TEST_F(DispatcherTest, EveryMethodCallsItsOperationAndEncodesItsReply) {
  const double kNaN = std::numeric_limits<double>::quiet_NaN();
  const std::vector<Case> cases = {
      {"version",
       "getPlatformVersion",
       nullptr,
       [](RecordingBackend& b) { b.platform_version = "Linux 6.1.0 (x86_64)"; },
       {"GetPlatformVersion()"},
       StringReply("Linux 6.1.0 (x86_64)")},
      {"username",
       "getUsername",
       nullptr,
       [](RecordingBackend& b) { b.username = "ada"; },
       {"GetUsername()"},
       StringReply("ada")},
      {"lock", "lockScreen", nullptr, nullptr, {"LockScreen()"}, NullReply()},
      {"dark theme",
       "getPlatformTheme",
       nullptr,
       [](RecordingBackend& b) { b.dark_theme = true; },
       {"IsDarkTheme()"},
       BoolReply(true)},
      {"light theme",
       "getPlatformTheme",
       nullptr,
       nullptr,
       {"IsDarkTheme()"},
       BoolReply(false)},
      {"theme pointer",
       "getPlatformThemePointer",
       nullptr,
       nullptr,
       {},
       Int32Reply(0)},
      {"mouse coords",
       "getMouseCoords",
       nullptr,
       [](RecordingBackend& b) {
         b.mouse_x = 12;
         b.mouse_y = -7;
       },
       {"GetMouseCoords()"},
       StringReply("12:-7")},
      {"mouse coords failing",
       "getMouseCoords",
       nullptr,
       [](RecordingBackend& b) {
         b.mouse_x = 5;
         b.mouse_y = 5;
         b.mouse_coords_ok = false;
       },
       {"GetMouseCoords()"},
       StringReply("0:0")},
      {"screen size",
       "screenSize",
       nullptr,
       [](RecordingBackend& b) {
         b.screen_width = 2944;
         b.screen_height = 1080;
       },
       {"GetScreenSize()"},
       StringReply("2944:1080")},
      {"screen size failing",
       "screenSize",
       nullptr,
       [](RecordingBackend& b) {
         b.screen_width = 9;
         b.screen_size_ok = false;
       },
       {"GetScreenSize()"},
       StringReply("0:0")},
      {"screen list",
       "screenList",
       nullptr,
       [](RecordingBackend& b) {
         b.screens = {{66, 1920, 1080, 0, 0, 1.0},
                      {67, 1280, 1024, -1280, -24, 1.5},
                      {4294967295u, 800, 600, 1920, 0, 2.0 / 3.0}};
       },
       {"GetScreenList()"},
       StringListReply({"66@1920:1080:0:0:1", "67@1280:1024:-1280:-24:1.5",
                        "4294967295@800:600:1920:0:0.666667"})},
      {"empty screen list",
       "screenList",
       nullptr,
       nullptr,
       {"GetScreenList()"},
       StringListReply({})},
      {"hide cursor",
       "hideCursor",
       nullptr,
       nullptr,
       {"HideCursor()"},
       NullReply()},
      {"show cursor",
       "showCursor",
       nullptr,
       nullptr,
       {"ShowCursor()"},
       NullReply()},
      {"move",
       "moveMouse",
       [] {
         return Args({{"x", Int(100)}, {"y", Int(200)}});
       },
       nullptr,
       {"MoveMouse(100,200)"},
       NullReply()},
      {"move without args",
       "moveMouse",
       nullptr,
       nullptr,
       {"MoveMouse(0,0)"},
       NullReply()},
      {"move with a list",
       "moveMouse",
       [] {
         FlValue* list = fl_value_new_list();
         fl_value_append_take(list, Int(3));
         return list;
       },
       nullptr,
       {"MoveMouse(0,0)"},
       NullReply()},
      {"move with an empty map",
       "moveMouse",
       [] { return Args({}); },
       nullptr,
       {"MoveMouse(0,0)"},
       NullReply()},
      {"string is not a number",
       "moveMouse",
       [] {
         return Args({{"x", Str("10")}, {"y", Int(5)}});
       },
       nullptr,
       {"MoveMouse(0,5)"},
       NullReply()},
      {"low 32 bits",
       "moveMouse",
       [] {
         return Args({{"x", Int((int64_t{1} << 32) + 1)},
                      {"y", Int(int64_t{1} << 31)}});
       },
       nullptr,
       {"MoveMouse(1,-2147483648)"},
       NullReply()},
      {"minus one stays",
       "moveMouse",
       [] {
         return Args({{"x", Int(-1)}, {"y", Int(INT64_MIN)}});
       },
       nullptr,
       {"MoveMouse(-1,0)"},
       NullReply()},
      {"floats truncate",
       "moveMouse",
       [] {
         return Args({{"x", Float(10.9)}, {"y", Float(-3.7)}});
       },
       nullptr,
       {"MoveMouse(10,-3)"},
       NullReply()},
      {"NaN and huge floats",
       "moveMouse",
       [kNaN] {
         return Args({{"x", Float(kNaN)}, {"y", Float(1e300)}});
       },
       nullptr,
       {"MoveMouse(-2147483648,-2147483648)"},
       NullReply()},
      {"infinities and range edges",
       "moveMouse",
       [] {
         return Args({{"x", Float(-INFINITY)}, {"y", Float(2147483647.9)}});
       },
       nullptr,
       {"MoveMouse(-2147483648,2147483647)"},
       NullReply()},
      {"other types default",
       "moveMouse",
       [] {
         return Args(
             {{"x", fl_value_new_bool(true)}, {"y", fl_value_new_null()}});
       },
       nullptr,
       {"MoveMouse(0,0)"},
       NullReply()},
      {"non-string keys are not names",
       "moveMouse",
       [] {
         FlValue* map = fl_value_new_map();
         fl_value_set_take(map, Int(1), Int(5));
         fl_value_set_take(map, Str("y"), Int(6));
         return map;
       },
       nullptr,
       {"MoveMouse(0,6)"},
       NullReply()},
      {"drag",
       "dragMouse",
       [] {
         return Args({{"x", Int(-5)}, {"y", Int(7)}});
       },
       nullptr,
       {"DragMouse(-5,7)"},
       NullReply()},
      {"wheel",
       "wheelMouse",
       [] {
         return Args({{"x", Int(1)}, {"y", Int(2)}, {"delta", Int(-3)}});
       },
       nullptr,
       {"WheelMouse(1,2,-3)"},
       NullReply()},
      {"click",
       "moveMouseAndClick",
       [] {
         return Args({{"x", Int(10)},
                      {"y", Int(20)},
                      {"type", Str("Down")},
                      {"button", Str("Right")}});
       },
       nullptr,
       {"MouseClick(10,20,\"Down\",\"Right\")"},
       NullReply()},
      {"click with strings missing or mistyped",
       "moveMouseAndClick",
       [] {
         return Args({{"type", Int(1)}});
       },
       nullptr,
       {"MouseClick(0,0,\"\",\"\")"},
       NullReply()},
      {"double click",
       "doubleClick",
       [] {
         return Args({{"x", Int(3)}, {"y", Int(4)}});
       },
       nullptr,
       {"DoubleClick(3,4)"},
       NullReply()},
      {"key down",
       "keyboardClick",
       [] {
         return Args({{"key", Int(36)}, {"type", Str("Down")}});
       },
       nullptr,
       {"KeyDown(36)"},
       NullReply()},
      {"key up",
       "keyboardClick",
       [] {
         return Args({{"key", Int(36)}, {"type", Str("Up")}});
       },
       nullptr,
       {"KeyUp(36)"},
       NullReply()},
      {"lower-case down presses",
       "keyboardClick",
       [] {
         return Args({{"key", Int(36)}, {"type", Str("down")}});
       },
       nullptr,
       {"KeyPress(36)"},
       NullReply()},
      {"missing type presses",
       "keyboardClick",
       [] {
         return Args({{"key", Int(36)}});
       },
       nullptr,
       {"KeyPress(36)"},
       NullReply()},
      {"trailing blank presses",
       "keyboardClick",
       [] {
         return Args({{"key", Int(36)}, {"type", Str("Down ")}});
       },
       nullptr,
       {"KeyPress(36)"},
       NullReply()},
      {"key -1 is the top code",
       "keyboardClick",
       [] {
         return Args({{"key", Int(-1)}});
       },
       nullptr,
       {"KeyPress(4294967295)"},
       NullReply()},
      {"shift",
       "keyboardClickShiftPressed",
       [] {
         return Args({{"key", Int(8)}});
       },
       nullptr,
       {"KeyPressWithModifiers(8,[56])"},
       NullReply()},
      {"command",
       "keyboardClickCommandPressed",
       [] {
         return Args({{"key", Int(8)}});
       },
       nullptr,
       {"KeyPressWithModifiers(8,[55])"},
       NullReply()},
      {"type",
       "keyboardPress",
       [] {
         return Args({{"char", Str("è")}});
       },
       [](RecordingBackend& b) { b.type_text_result = true; },
       {"TypeText(\"è\")"},
       BoolReply(true)},
      {"type without char",
       "keyboardPress",
       nullptr,
       nullptr,
       {"TypeText(\"\")"},
       BoolReply(false)},
      {"open directory",
       "openDirectory",
       [] {
         return Args({{"path", Str("/tmp/a b")}});
       },
       nullptr,
       {"OpenDirectory(\"/tmp/a b\")"},
       NullReply()},
      {"current directory",
       "getCurrentDirectory",
       nullptr,
       nullptr,
       {},
       StringReply(CurrentDirectory())},
      {"start cmd-tab",
       "startCmdTabInterception",
       nullptr,
       nullptr,
       {},
       BoolReply(false)},
      {"stop cmd-tab",
       "stopCmdTabInterception",
       nullptr,
       nullptr,
       {},
       BoolReply(false)},
      {"screen access",
       "hasScreenAccess",
       nullptr,
       nullptr,
       {},
       BoolReply(true)},
      {"accessibility",
       "hasAXIsProcessTrusted",
       nullptr,
       nullptr,
       {},
       BoolReply(true)},
      {"full disk",
       "hasFullAccessDisk",
       nullptr,
       nullptr,
       {},
       BoolReply(false)},
      {"set screen access",
       "setScreenAccess",
       [] {
         return Args({{"value", Int(1)}});
       },
       nullptr,
       {},
       NullReply()},
      {"set full disk", "setFullAccessDisk", nullptr, nullptr, {}, NullReply()},
      {"set accessibility",
       "setAXIsProcessTrusted",
       nullptr,
       nullptr,
       {},
       NullReply()},
      {"set finder", "setFinderControl", nullptr, nullptr, {}, NullReply()},
      {"get finder",
       "getFinderControl",
       nullptr,
       nullptr,
       {},
       StringReply("1")},
      {"mouse path", "getMousePath", nullptr, nullptr, {}, NullReply()},
      {"names are case-sensitive",
       "MoveMouse",
       [] {
         return Args({{"x", Int(1)}, {"y", Int(2)}});
       },
       nullptr,
       {},
       NotImplementedReply()},
      {"unknown name",
       "isThisMacOS",
       nullptr,
       nullptr,
       {},
       NotImplementedReply()},
      {"empty name", "", nullptr, nullptr, {}, NotImplementedReply()},
  };

  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    backend_->Reset();
    if (c.setup) {
      c.setup(*backend_);
    }
    Bytes reply = Send(c.method, c.args ? c.args() : nullptr);
    EXPECT_EQ(backend_->calls, c.calls);
    EXPECT_EQ(reply, c.reply);
  }
}

// The fixed answers stay fixed whatever the call carries.
TEST_F(DispatcherTest, FixedAnswersIgnoreArguments) {
  const std::vector<std::pair<const char*, Bytes>> fixed = {
      {"getPlatformThemePointer", Int32Reply(0)},
      {"startCmdTabInterception", BoolReply(false)},
      {"hasScreenAccess", BoolReply(true)},
      {"getFinderControl", StringReply("1")},
      {"getMousePath", NullReply()},
  };
  for (const auto& [method, expected] : fixed) {
    SCOPED_TRACE(method);
    EXPECT_EQ(Send(method, Str("not a map")), expected);
    EXPECT_EQ(Send(method, Args({{"x", Int(1)}})), expected);
  }
  EXPECT_TRUE(backend_->calls.empty());
}

}  // namespace
}  // namespace testing
}  // namespace quorvel
