#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <ostream>
#include <string>
#include <vector>

#include "plugin/recording_backend.h"
#include "plugin/reply_bytes.h"
#include "support/channel_methods.h"
#include "support/plugin_channel.h"

namespace quorvel {
namespace testing {
namespace {

FlValue* Float(double v) {
  return fl_value_new_float(v);
}

// One call through the channel: what the backend is primed with, the
// operations the call must reach and the reply it must get back.
struct Case {
  const char* label;  // names the test case: "screen list" is ScreenList
  const char* method;
  std::function<FlValue*()> args;  // null function: the call carries no args
  std::function<void(RecordingBackend&)> setup;
  std::vector<std::string> calls;
  Bytes reply;
};

void PrintTo(const Case& c, std::ostream* os) {
  *os << c.label << " (" << c.method << ")";
}

// "key -1 is the top code" becomes Key1IsTheTopCode.
std::string CaseName(const ::testing::TestParamInfo<Case>& info) {
  std::string name;
  bool word_start = true;
  for (const char* p = info.param.label; *p != '\0'; ++p) {
    const char c = *p;
    if (!g_ascii_isalnum(c)) {
      word_start = true;
      continue;
    }
    name += word_start ? g_ascii_toupper(c) : c;
    word_start = false;
  }
  return name;
}

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

std::vector<Case> DispatchCases() {
  const double kNaN = std::numeric_limits<double>::quiet_NaN();
  return {
      {"version",
       method::kGetPlatformVersion,
       nullptr,
       [](RecordingBackend& b) { b.platform_version = "Linux 6.1.0 (x86_64)"; },
       {"GetPlatformVersion()"},
       StringReply("Linux 6.1.0 (x86_64)")},
      {"username",
       method::kGetUsername,
       nullptr,
       [](RecordingBackend& b) { b.username = "ada"; },
       {"GetUsername()"},
       StringReply("ada")},
      {"lock",
       method::kLockScreen,
       nullptr,
       nullptr,
       {"LockScreen()"},
       NullReply()},
      {"dark theme",
       method::kGetPlatformTheme,
       nullptr,
       [](RecordingBackend& b) { b.dark_theme = true; },
       {"IsDarkTheme()"},
       BoolReply(true)},
      {"light theme",
       method::kGetPlatformTheme,
       nullptr,
       nullptr,
       {"IsDarkTheme()"},
       BoolReply(false)},
      {"theme pointer",
       method::kGetPlatformThemePointer,
       nullptr,
       nullptr,
       {},
       Int32Reply(0)},
      {"mouse coords",
       method::kGetMouseCoords,
       nullptr,
       [](RecordingBackend& b) {
         b.mouse_x = 12;
         b.mouse_y = -7;
       },
       {"GetMouseCoords()"},
       StringReply("12:-7")},
      {"mouse coords failing",
       method::kGetMouseCoords,
       nullptr,
       [](RecordingBackend& b) {
         b.mouse_x = 5;
         b.mouse_y = 5;
         b.mouse_coords_ok = false;
       },
       {"GetMouseCoords()"},
       StringReply("0:0")},
      {"screen size",
       method::kScreenSize,
       nullptr,
       [](RecordingBackend& b) {
         b.screen_width = 2944;
         b.screen_height = 1080;
       },
       {"GetScreenSize()"},
       StringReply("2944:1080")},
      {"screen size failing",
       method::kScreenSize,
       nullptr,
       [](RecordingBackend& b) {
         b.screen_width = 9;
         b.screen_size_ok = false;
       },
       {"GetScreenSize()"},
       StringReply("0:0")},
      {"screen list",
       method::kScreenList,
       nullptr,
       [](RecordingBackend& b) {
         b.screens = {{66, 1920, 1080, 0, 0, 1.0},
                      {67, 1280, 1024, -1280, -24, 1.5},
                      {4294967295u, 800, 600, 1920, 0, 2.0 / 3.0}};
       },
       {"GetScreenList()"},
       StringListReply({"66@1920:1080:0:0:1", "67@1280:1024:-1280:-24:1.5",
                        "4294967295@800:600:1920:0:0.666667"})},
      {"screen list, scales and coordinates at %g's and int32's edges",
       method::kScreenList,
       nullptr,
       [](RecordingBackend& b) {
         b.screens = {{0, INT32_MAX, 1, INT32_MIN, -1, 999999.0},
                      {1, 1, 1, 0, 0, 1e6},
                      {2, 1, 1, 0, 0, -0.0},
                      {3, 1, 1, 0, 0, -2.0}};
       },
       {"GetScreenList()"},
       StringListReply({"0@2147483647:1:-2147483648:-1:999999",
                        "1@1:1:0:0:1e+06", "2@1:1:0:0:-0", "3@1:1:0:0:-2"})},
      {"empty screen list",
       method::kScreenList,
       nullptr,
       nullptr,
       {"GetScreenList()"},
       StringListReply({})},
      {"hide cursor",
       method::kHideCursor,
       nullptr,
       nullptr,
       {"HideCursor()"},
       NullReply()},
      {"show cursor",
       method::kShowCursor,
       nullptr,
       nullptr,
       {"ShowCursor()"},
       NullReply()},
      {"move",
       method::kMoveMouse,
       [] {
         return Args({{"x", Int(100)}, {"y", Int(200)}});
       },
       nullptr,
       {"MoveMouse(100,200)"},
       NullReply()},
      {"move without args",
       method::kMoveMouse,
       nullptr,
       nullptr,
       {"MoveMouse(0,0)"},
       NullReply()},
      {"move with a list",
       method::kMoveMouse,
       [] {
         FlValue* list = fl_value_new_list();
         fl_value_append_take(list, Int(3));
         return list;
       },
       nullptr,
       {"MoveMouse(0,0)"},
       NullReply()},
      {"move with an empty map",
       method::kMoveMouse,
       [] { return Args({}); },
       nullptr,
       {"MoveMouse(0,0)"},
       NullReply()},
      {"string is not a number",
       method::kMoveMouse,
       [] {
         return Args({{"x", Str("10")}, {"y", Int(5)}});
       },
       nullptr,
       {"MoveMouse(0,5)"},
       NullReply()},
      {"low 32 bits",
       method::kMoveMouse,
       [] {
         return Args({{"x", Int((int64_t{1} << 32) + 1)},
                      {"y", Int(int64_t{1} << 31)}});
       },
       nullptr,
       {"MoveMouse(1,-2147483648)"},
       NullReply()},
      {"minus one stays",
       method::kMoveMouse,
       [] {
         return Args({{"x", Int(-1)}, {"y", Int(INT64_MIN)}});
       },
       nullptr,
       {"MoveMouse(-1,0)"},
       NullReply()},
      {"floats truncate",
       method::kMoveMouse,
       [] {
         return Args({{"x", Float(10.9)}, {"y", Float(-3.7)}});
       },
       nullptr,
       {"MoveMouse(10,-3)"},
       NullReply()},
      {"NaN and huge floats",
       method::kMoveMouse,
       [kNaN] {
         return Args({{"x", Float(kNaN)}, {"y", Float(1e300)}});
       },
       nullptr,
       {"MoveMouse(-2147483648,-2147483648)"},
       NullReply()},
      {"infinities and range edges",
       method::kMoveMouse,
       [] {
         return Args({{"x", Float(-INFINITY)}, {"y", Float(2147483647.9)}});
       },
       nullptr,
       {"MoveMouse(-2147483648,2147483647)"},
       NullReply()},
      {"other types default",
       method::kMoveMouse,
       [] {
         return Args(
             {{"x", fl_value_new_bool(true)}, {"y", fl_value_new_null()}});
       },
       nullptr,
       {"MoveMouse(0,0)"},
       NullReply()},
      {"non-string keys are not names",
       method::kMoveMouse,
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
       method::kDragMouse,
       [] {
         return Args({{"x", Int(-5)}, {"y", Int(7)}});
       },
       nullptr,
       {"DragMouse(-5,7)"},
       NullReply()},
      {"wheel",
       method::kWheelMouse,
       [] {
         return Args({{"x", Int(1)}, {"y", Int(2)}, {"delta", Int(-3)}});
       },
       nullptr,
       {"WheelMouse(1,2,-3)"},
       NullReply()},
      {"click",
       method::kMoveMouseAndClick,
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
       method::kMoveMouseAndClick,
       [] {
         return Args({{"type", Int(1)}});
       },
       nullptr,
       {"MouseClick(0,0,\"\",\"\")"},
       NullReply()},
      {"double click",
       method::kDoubleClick,
       [] {
         return Args({{"x", Int(3)}, {"y", Int(4)}});
       },
       nullptr,
       {"DoubleClick(3,4)"},
       NullReply()},
      {"key down",
       method::kKeyboardClick,
       [] {
         return Args({{"key", Int(36)}, {"type", Str("Down")}});
       },
       nullptr,
       {"KeyDown(36)"},
       NullReply()},
      {"key up",
       method::kKeyboardClick,
       [] {
         return Args({{"key", Int(36)}, {"type", Str("Up")}});
       },
       nullptr,
       {"KeyUp(36)"},
       NullReply()},
      {"lower-case down presses",
       method::kKeyboardClick,
       [] {
         return Args({{"key", Int(36)}, {"type", Str("down")}});
       },
       nullptr,
       {"KeyPress(36)"},
       NullReply()},
      {"missing type presses",
       method::kKeyboardClick,
       [] {
         return Args({{"key", Int(36)}});
       },
       nullptr,
       {"KeyPress(36)"},
       NullReply()},
      {"trailing blank presses",
       method::kKeyboardClick,
       [] {
         return Args({{"key", Int(36)}, {"type", Str("Down ")}});
       },
       nullptr,
       {"KeyPress(36)"},
       NullReply()},
      {"key -1 is the top code",
       method::kKeyboardClick,
       [] {
         return Args({{"key", Int(-1)}});
       },
       nullptr,
       {"KeyPress(4294967295)"},
       NullReply()},
      {"shift",
       method::kKeyboardClickShiftPressed,
       [] {
         return Args({{"key", Int(8)}});
       },
       nullptr,
       {"KeyPressWithModifiers(8,[56])"},
       NullReply()},
      {"command",
       method::kKeyboardClickCommandPressed,
       [] {
         return Args({{"key", Int(8)}});
       },
       nullptr,
       {"KeyPressWithModifiers(8,[55])"},
       NullReply()},
      {"type",
       method::kKeyboardPress,
       [] {
         return Args({{"char", Str("è")}});
       },
       [](RecordingBackend& b) { b.type_text_result = true; },
       {"TypeText(\"è\")"},
       BoolReply(true)},
      {"type without char",
       method::kKeyboardPress,
       nullptr,
       nullptr,
       {"TypeText(\"\")"},
       BoolReply(false)},
      {"open directory",
       method::kOpenDirectory,
       [] {
         return Args({{"path", Str("/tmp/a b")}});
       },
       nullptr,
       {"OpenDirectory(\"/tmp/a b\")"},
       NullReply()},
      {"current directory",
       method::kGetCurrentDirectory,
       nullptr,
       nullptr,
       {},
       StringReply(CurrentDirectory())},
      {"start cmd-tab",
       method::kStartCmdTabInterception,
       nullptr,
       nullptr,
       {},
       BoolReply(false)},
      {"stop cmd-tab",
       method::kStopCmdTabInterception,
       nullptr,
       nullptr,
       {},
       BoolReply(false)},
      {"screen access",
       method::kHasScreenAccess,
       nullptr,
       nullptr,
       {},
       BoolReply(true)},
      {"accessibility",
       method::kHasAXIsProcessTrusted,
       nullptr,
       nullptr,
       {},
       BoolReply(true)},
      {"full disk",
       method::kHasFullAccessDisk,
       nullptr,
       nullptr,
       {},
       BoolReply(false)},
      {"set screen access",
       method::kSetScreenAccess,
       [] {
         return Args({{"value", Int(1)}});
       },
       nullptr,
       {},
       NullReply()},
      {"set full disk",
       method::kSetFullAccessDisk,
       nullptr,
       nullptr,
       {},
       NullReply()},
      {"set accessibility",
       method::kSetAXIsProcessTrusted,
       nullptr,
       nullptr,
       {},
       NullReply()},
      {"set finder",
       method::kSetFinderControl,
       nullptr,
       nullptr,
       {},
       NullReply()},
      {"get finder",
       method::kGetFinderControl,
       nullptr,
       nullptr,
       {},
       StringReply("1")},
      {"mouse path", method::kGetMousePath, nullptr, nullptr, {}, NullReply()},
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
}

class DispatchCaseTest : public DispatcherTest,
                         public ::testing::WithParamInterface<Case> {};

TEST_P(DispatchCaseTest, CallsItsOperationAndEncodesItsReply) {
  const Case& c = GetParam();
  backend_->Reset();
  if (c.setup) {
    c.setup(*backend_);
  }
  Bytes reply = Send(c.method, c.args ? c.args() : nullptr);
  EXPECT_EQ(backend_->calls, c.calls);
  EXPECT_EQ(reply, c.reply);
}

INSTANTIATE_TEST_SUITE_P(EveryMethod,
                         DispatchCaseTest,
                         ::testing::ValuesIn(DispatchCases()),
                         CaseName);

// The cases above reach every method of the shared list.
TEST(DispatchCasesTest, CoverEveryChannelMethod) {
  const std::vector<Case> cases = DispatchCases();
  for (const char* method : kChannelMethods) {
    EXPECT_TRUE(std::any_of(
        cases.begin(), cases.end(),
        [method](const Case& c) { return std::string(c.method) == method; }))
        << method;
  }
}

// The fixed answers stay fixed whatever the call carries.
TEST_F(DispatcherTest, FixedAnswersIgnoreArguments) {
  const std::vector<std::pair<const char*, Bytes>> fixed = {
      {method::kGetPlatformThemePointer, Int32Reply(0)},
      {method::kStartCmdTabInterception, BoolReply(false)},
      {method::kHasScreenAccess, BoolReply(true)},
      {method::kGetFinderControl, StringReply("1")},
      {method::kGetMousePath, NullReply()},
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
