// The GNOME backend through the plugin's channel, on a headless GNOME
// Wayland session of the test's own: what a native Wayland window receives.

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "support/stderr_capture.h"
#include "support/wayland_backend_test.h"

namespace quorvel {
namespace {

using testing::Args;
using testing::Compositor;
using testing::Count;
using testing::Int;
using testing::KeyEvent;
using testing::Keys;
using testing::kMinHoldMs;
using testing::Lines;
using testing::OriginWindow;
using testing::PluginChannel;
using testing::PressedNames;
using testing::Rect;
using testing::Reply;
using testing::StderrCapture;
using testing::Str;
using testing::WaylandSession;
using testing::WindowMonitors;

// The GNOME backend's tests: mutter's session (the default options).
class GnomeBackendTest : public testing::WaylandBackendTest {};

TEST_F(GnomeBackendTest, PointerLandsOnEachMonitor) {
  START_OR_SKIP(WaylandSession::Options());
  const std::vector<Rect> monitors = WindowMonitors(session_->WindowLines());
  PluginChannel channel;

  // A move then a click, at a point of each monitor, in desktop pixels.
  std::vector<std::string> expected;
  for (int i = 0; i < 2; i++) {
    const int x = 200 + 10 * i;
    const int y = 150 + 20 * i;
    Move(channel, monitors[i].x + x, monitors[i].y + y);
    const char* button = i == 0 ? "Left" : "Right";
    Click(channel, monitors[i].x + x, monitors[i].y + y, "Down", button);
    Click(channel, monitors[i].x + x, monitors[i].y + y, "Up", button);
    expected.push_back("BUTTON press window=" + std::to_string(i) +
                       " button=" + (i == 0 ? "1" : "3") +
                       " x=" + std::to_string(x) + " y=" + std::to_string(y));
  }
  // A drag on the first monitor, a double click, wheel steps.
  Click(channel, 100, 100, "Down", "Left");
  channel.Invoke(method::kDragMouse, Args({{"x", Int(300)}, {"y", Int(250)}}));
  Click(channel, 300, 250, "Up", "Left");
  channel.Invoke(method::kDoubleClick,
                 Args({{"x", Int(400)}, {"y", Int(300)}}));
  channel.Invoke(method::kWheelMouse,
                 Args({{"x", Int(400)}, {"y", Int(300)}, {"delta", Int(3)}}));
  channel.Invoke(method::kWheelMouse,
                 Args({{"x", Int(400)}, {"y", Int(300)}, {"delta", Int(-2)}}));

  const std::string w = OriginWindow(session_->WindowLines());
  EXPECT_TRUE(WaitFor([&](const Lines& lines) {
    return Count(lines, "SCROLL window=" + w + " direction=down") == 2;
  })) << ::testing::PrintToString(session_->WindowLines());
  const Lines lines = session_->WindowLines();
  SCOPED_TRACE(::testing::PrintToString(lines));
  for (const std::string& line : expected) {
    EXPECT_EQ(Count(lines, line), 1u) << line;
  }
  EXPECT_EQ(Count(lines, "BUTTON press window=" + w + " button=1 x=100 y=100"),
            1u);
  EXPECT_EQ(
      Count(lines, "BUTTON release window=" + w + " button=1 x=300 y=250"), 1u);
  EXPECT_EQ(Count(lines, "BUTTON press window=" + w + " button=1 x=400 y=300"),
            2u);
  EXPECT_EQ(
      Count(lines, "BUTTON release window=" + w + " button=1 x=400 y=300"), 2u);
  EXPECT_EQ(Count(lines, "SCROLL window=" + w + " direction=up"), 3u);
}

// Keys by macOS code and characters typed, each under two layouts; every key
// is held at least 15 ms by the compositor's clock.
TEST_F(GnomeBackendTest, KeysArriveAsMeantUnderTwoLayouts) {
  const struct {
    const char* layout;
    const char* variant;
    std::vector<std::pair<const char*, const char*>> characters;  // typed, name
    const char* not_on_layout;
  } cases[] = {
      {"us",
       "intl",
       {{"Q", "Q"},
        {"7", "7"},
        {"!", "exclam"},
        {"/", "slash"},
        {"é", "eacute"}},
       "ж"},
      {"de",
       "",
       {{"Q", "Q"},
        {"7", "7"},
        {"!", "exclam"},
        {"?", "question"},
        {"ä", "adiaeresis"}},
       "é"},
  };
  // kVK_ANSI_A, kVK_ANSI_1, kVK_Return.
  const std::vector<std::pair<int, const char*>> mac_keys = {
      {0x00, "a"}, {0x12, "1"}, {0x24, "Return"}};

  for (const auto& c : cases) {
    SCOPED_TRACE(c.layout);
    WaylandSession::Options options;
    options.layout = c.layout;
    options.variant = c.variant;
    Stop();
    START_OR_SKIP(options);
    PluginChannel channel;

    std::vector<std::string> expected;
    for (const auto& [code, name] : mac_keys) {
      channel.Invoke(method::kKeyboardClick, Args({{"key", Int(code)}}));
      expected.push_back(name);
    }
    for (const auto& [text, name] : c.characters) {
      Reply reply =
          channel.Invoke(method::kKeyboardPress, Args({{"char", Str(text)}}));
      EXPECT_TRUE(fl_value_get_bool(reply.result.get())) << text;
      expected.push_back(name);
    }
    Reply refused = channel.Invoke(method::kKeyboardPress,
                                   Args({{"char", Str(c.not_on_layout)}}));
    EXPECT_FALSE(fl_value_get_bool(refused.result.get()));

    EXPECT_TRUE(WaitFor([&](const Lines& lines) {
      return PressedNames(lines).size() >= expected.size() &&
             Keys(lines).back().name == expected.back() &&
             !Keys(lines).back().press;
    })) << ::testing::PrintToString(session_->WindowLines());
    const Lines lines = session_->WindowLines();
    EXPECT_EQ(PressedNames(lines), expected);
    const std::vector<KeyEvent> keys = Keys(lines);
    for (size_t i = 0; i + 1 < keys.size(); i++) {
      if (keys[i].press) {
        EXPECT_FALSE(keys[i + 1].press) << keys[i].name;
        EXPECT_EQ(keys[i + 1].name, keys[i].name);
        EXPECT_GE(keys[i + 1].time - keys[i].time, kMinHoldMs) << keys[i].name;
      }
    }
  }
}

TEST_F(GnomeBackendTest, ScreenListMatchesTheVirtualMonitors) {
  WaylandSession::Options options;
  options.window = false;
  START_OR_SKIP(options);
  PluginChannel channel;

  Reply first = channel.Invoke(method::kScreenList);
  Reply second = channel.Invoke(method::kScreenList);
  ASSERT_EQ(first.kind, Reply::kSuccess);
  ASSERT_EQ(fl_value_get_type(first.result.get()), FL_VALUE_TYPE_LIST);
  ASSERT_EQ(fl_value_get_length(first.result.get()), 2u);
  EXPECT_TRUE(fl_value_equal(first.result.get(), second.result.get()));
  const std::regex expected[] = {
      std::regex("(\\d+)@1280:1024:0:0:1(\\.0)?"),
      std::regex("(\\d+)@1024:768:1280:0:1(\\.0)?"),
  };
  std::string ids[2];
  for (size_t i = 0; i < 2; i++) {
    const std::string entry =
        fl_value_get_string(fl_value_get_list_value(first.result.get(), i));
    std::smatch match;
    EXPECT_TRUE(std::regex_match(entry, match, expected[i])) << entry;
    ids[i] = match.size() > 1 ? match[1].str() : "";
  }
  EXPECT_NE(ids[0], ids[1]);

  Reply size = channel.Invoke(method::kScreenSize);
  EXPECT_STREQ(fl_value_get_string(size.result.get()), "2304:1024");
}

TEST_F(GnomeBackendTest, DisposeReleasesHeldKeyAndButton) {
  START_OR_SKIP(WaylandSession::Options());
  const std::string w = OriginWindow(session_->WindowLines());
  PluginChannel channel;
  channel.Invoke(method::kKeyboardClick,
                 Args({{"key", Int(0x00)}, {"type", Str("Down")}}));
  Click(channel, 200, 200, "Down", "Left");
  ASSERT_TRUE(WaitFor([&](const Lines& lines) {
    return Count(lines, "BUTTON press window=" + w + " button=1 x=200 y=200") ==
           1;
  })) << ::testing::PrintToString(session_->WindowLines());

  channel.Shutdown();

  EXPECT_TRUE(WaitFor([&](const Lines& lines) {
    std::vector<KeyEvent> keys = Keys(lines);
    return Count(lines,
                 "BUTTON release window=" + w + " button=1 x=200 y=200") == 1 &&
           !keys.empty() && keys.back().name == "a" && !keys.back().press;
  })) << ::testing::PrintToString(session_->WindowLines());
}

// No mutter on the bus, or a mutter that cannot start a session (no
// pipewire): input goes through X11 and one line says so.
TEST_F(GnomeBackendTest, FallsBackToX11AndSaysSoOnce) {
  const struct {
    const char* name;
    Compositor compositor;
    const char* line;
  } cases[] = {
      {"absent", Compositor::kNone, "[Backend] X11 (XWayland): neither "},
      {"refusing", Compositor::kMutter,
       "[GnomeBackend] The compositor refused a remote-desktop session"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WaylandSession::Options options;
    options.compositor = c.compositor;
    options.pipewire = false;
    options.window = false;
    Stop();
    START_OR_SKIP(options);
    StderrCapture stderr_file;
    {
      PluginChannel channel;
      Move(channel, 10, 10);
      EXPECT_TRUE(WaylandSession::RunUntil(
          [&] { return stderr_file.Count(c.line) > 0; }, 20000));
      Move(channel, 20, 20);
      channel.Invoke(method::kKeyboardClick, Args({{"key", Int(0)}}));
      WaylandSession::RunUntil([] { return false; }, 200);
    }
    EXPECT_EQ(stderr_file.Count(c.line), 1u) << stderr_file.Text();
    EXPECT_EQ(stderr_file.Count("[GnomeBackend] "),
              c.compositor == Compositor::kMutter ? 1u : 0u)
        << stderr_file.Text();
  }
}

}  // namespace
}  // namespace quorvel
