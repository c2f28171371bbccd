// The EIS backend through the plugin's channel, on a headless KDE Plasma 6
// compositor of the test's own (KWin 6.3 with two outputs and Xwayland, in
// the Debian 13 root): what a native Wayland window receives.

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

// kVK_ANSI_A, kVK_ANSI_1, kVK_Return and what a window reads from them.
const std::vector<std::pair<int, const char*>> kMacKeys = {{0x00, "a"},
                                                           {0x12, "1"},
                                                           {0x24, "Return"}};

class EisBackendTest : public testing::WaylandBackendTest {
 protected:
  // KWin with a US and a Russian layout, the first in use.
  static WaylandSession::Options Kwin() {
    WaylandSession::Options options;
    options.compositor = Compositor::kKwin;
    options.layout = "us,ru";
    options.variant = ",";
    return options;
  }

  // Switches KWin's layout as its tray or Alt+Shift would.
  bool SetLayout(unsigned layout) {
    g_autoptr(GDBusConnection) bus = g_dbus_connection_new_for_address_sync(
        session_->session_bus_address().c_str(),
        static_cast<GDBusConnectionFlags>(
            G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
            G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, nullptr);
    g_autoptr(GVariant) reply =
        bus ? g_dbus_connection_call_sync(
                  bus, "org.kde.keyboard", "/Layouts",
                  "org.kde.KeyboardLayouts", "setLayout",
                  g_variant_new("(u)", layout), G_VARIANT_TYPE("(b)"),
                  G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, nullptr)
            : nullptr;
    if (bus) {
      g_dbus_connection_close_sync(bus, nullptr, nullptr);
    }
    return reply != nullptr;
  }

  // Every key press is followed by the release of the same key, at least
  // kMinHoldMs later by the compositor's clock.
  static void ExpectHeldLongEnough(const std::vector<KeyEvent>& keys) {
    for (size_t i = 0; i + 1 < keys.size(); i++) {
      if (keys[i].press) {
        EXPECT_FALSE(keys[i + 1].press) << keys[i].name;
        EXPECT_EQ(keys[i + 1].name, keys[i].name);
        EXPECT_GE(keys[i + 1].time - keys[i].time, kMinHoldMs) << keys[i].name;
      }
    }
  }
};

TEST_F(EisBackendTest, PointerLandsOnEachOutput) {
  START_OR_SKIP(Kwin());
  const std::vector<Rect> outputs = WindowMonitors(session_->WindowLines());
  StderrCapture stderr_capture;
  PluginChannel channel;

  // A move then a click at a point of each output, in desktop pixels; each
  // crosses KWin's edge barrier between the outputs, both ways, and the
  // first points lie within the barrier's width of the edge.
  std::vector<std::string> expected;
  const struct {
    int window, x, y;
    const char* button;
    const char* number;
  } clicks[] = {{1, 20, 150, "Left", "1"},
                {0, 1260, 30, "Right", "3"},
                {1, 500, 700, "Middle", "2"},
                {0, 200, 150, "Left", "1"}};
  for (const auto& c : clicks) {
    const Rect& output = outputs[c.window];
    Move(channel, output.x + c.x, output.y + c.y);
    Click(channel, output.x + c.x, output.y + c.y, "Down", c.button);
    Click(channel, output.x + c.x, output.y + c.y, "Up", c.button);
    expected.push_back("BUTTON press window=" + std::to_string(c.window) +
                       " button=" + c.number + " x=" + std::to_string(c.x) +
                       " y=" + std::to_string(c.y));
  }
  // A point on no output lands on the nearest pixel of one.
  const std::string w = OriginWindow(session_->WindowLines());
  Click(channel, -40, 300, "Down", "Left");
  Click(channel, -40, 300, "Up", "Left");
  expected.push_back("BUTTON press window=" + w + " button=1 x=0 y=300");
  // A drag on the first output, a double click, wheel steps.
  Click(channel, 100, 100, "Down", "Left");
  channel.Invoke(method::kDragMouse, Args({{"x", Int(300)}, {"y", Int(250)}}));
  Click(channel, 300, 250, "Up", "Left");
  channel.Invoke(method::kDoubleClick,
                 Args({{"x", Int(400)}, {"y", Int(300)}}));
  channel.Invoke(method::kWheelMouse,
                 Args({{"x", Int(400)}, {"y", Int(300)}, {"delta", Int(3)}}));
  channel.Invoke(method::kWheelMouse,
                 Args({{"x", Int(400)}, {"y", Int(300)}, {"delta", Int(-2)}}));

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
  EXPECT_EQ(stderr_capture.Count("[Backend] KDE: input through KWin's EIS"), 1u)
      << stderr_capture.Text();
  EXPECT_EQ(stderr_capture.Count("[EisBackend] "), 0u) << stderr_capture.Text();
}

// Keys by macOS code, characters typed on the layout in use, a character of
// the other layout refused and then, once KWin switched to that layout,
// typed; every key held at least 15 ms by the compositor's clock.
TEST_F(EisBackendTest, KeysArriveAsMeantOnTheLayoutInUse) {
  START_OR_SKIP(Kwin());
  PluginChannel channel;

  std::vector<std::string> expected;
  for (const auto& [code, name] : kMacKeys) {
    channel.Invoke(method::kKeyboardClick, Args({{"key", Int(code)}}));
    expected.push_back(name);
  }
  channel.Invoke(method::kKeyboardClickShiftPressed, Args({{"key", Int(0)}}));
  expected.push_back("A");
  // Sent as soon as the keyboard is there; its keymap is known from then.
  ASSERT_TRUE(WaitFor([&](const Lines& lines) {
    return PressedNames(lines).size() == expected.size();
  })) << ::testing::PrintToString(session_->WindowLines());

  const std::vector<std::pair<const char*, const char*>> characters = {
      {"q", "q"},        {"Q", "Q"}, {"7", "7"},
      {"?", "question"}, {"a", "a"}, {"F5", "F5"}};
  for (const auto& [text, name] : characters) {
    Reply reply =
        channel.Invoke(method::kKeyboardPress, Args({{"char", Str(text)}}));
    EXPECT_TRUE(fl_value_get_bool(reply.result.get())) << text;
    expected.push_back(name);
  }
  for (const char* refused : {"ж", "é", "ab"}) {
    Reply reply =
        channel.Invoke(method::kKeyboardPress, Args({{"char", Str(refused)}}));
    EXPECT_FALSE(fl_value_get_bool(reply.result.get())) << refused;
  }
  ASSERT_TRUE(WaitFor([&](const Lines& lines) {
    const std::vector<KeyEvent> keys = Keys(lines);
    return PressedNames(lines).size() >= expected.size() &&
           keys.back().name == expected.back() && !keys.back().press;
  })) << ::testing::PrintToString(session_->WindowLines());

  // KWin switches to the Russian layout: "ж" types, "q" no longer does.
  ASSERT_TRUE(SetLayout(1));
  WaylandSession::RunUntil([] { return false; }, 300);
  Reply zhe =
      channel.Invoke(method::kKeyboardPress, Args({{"char", Str("ж")}}));
  EXPECT_TRUE(fl_value_get_bool(zhe.result.get()));
  expected.push_back("Cyrillic_zhe");
  Reply q = channel.Invoke(method::kKeyboardPress, Args({{"char", Str("q")}}));
  EXPECT_FALSE(fl_value_get_bool(q.result.get()));

  EXPECT_TRUE(WaitFor([&](const Lines& lines) {
    const std::vector<KeyEvent> keys = Keys(lines);
    return PressedNames(lines).size() >= expected.size() &&
           keys.back().name == expected.back() && !keys.back().press;
  })) << ::testing::PrintToString(session_->WindowLines());
  WaylandSession::RunUntil([] { return false; }, 200);
  const Lines lines = session_->WindowLines();
  SCOPED_TRACE(::testing::PrintToString(lines));
  EXPECT_EQ(PressedNames(lines), expected);
  ExpectHeldLongEnough(Keys(lines));
  // The level keys came and went around their characters: none is left
  // down.
  std::vector<KeyEvent> modifiers = Keys(lines, /*modifiers=*/true);
  ASSERT_FALSE(modifiers.empty());
  EXPECT_FALSE(modifiers.back().press);
}

TEST_F(EisBackendTest, ScreenListMatchesTheOutputs) {
  WaylandSession::Options options = Kwin();
  options.window = false;
  START_OR_SKIP(options);
  PluginChannel channel;

  // Known once the absolute device has arrived; empty until then.
  Reply first;
  ASSERT_TRUE(WaylandSession::RunUntil(
      [&] {
        first = channel.Invoke(method::kScreenList);
        return fl_value_get_length(first.result.get()) == 2;
      },
      20000));
  Reply second = channel.Invoke(method::kScreenList);
  EXPECT_TRUE(fl_value_equal(first.result.get(), second.result.get()));
  const std::regex expected[] = {
      std::regex("(\\d+)@1280:1024:0:0:1(\\.0)?"),
      std::regex("(\\d+)@1280:1024:1280:0:1(\\.0)?"),
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
  EXPECT_STREQ(fl_value_get_string(size.result.get()), "2560:1024");
}

TEST_F(EisBackendTest, DisposeReleasesHeldKeyAndButton) {
  START_OR_SKIP(Kwin());
  const std::string w = OriginWindow(session_->WindowLines());
  PluginChannel channel;
  channel.Invoke(method::kKeyboardClick,
                 Args({{"key", Int(0x00)}, {"type", Str("Down")}}));
  Click(channel, 200, 200, "Down", "Left");
  ASSERT_TRUE(WaitFor([&](const Lines& lines) {
    return Count(lines, "BUTTON press window=" + w + " button=1 x=200 y=200") ==
               1 &&
           PressedNames(lines) == std::vector<std::string>{"a"};
  })) << ::testing::PrintToString(session_->WindowLines());

  channel.Shutdown();

  EXPECT_TRUE(WaitFor([&](const Lines& lines) {
    std::vector<KeyEvent> keys = Keys(lines);
    return Count(lines,
                 "BUTTON release window=" + w + " button=1 x=200 y=200") == 1 &&
           !keys.empty() && keys.back().name == "a" && !keys.back().press;
  })) << ::testing::PrintToString(session_->WindowLines());
}

// KWin crashes with a key's release still to be sent: the plugin says so
// once, the app's loop keeps running and every call still answers.
TEST_F(EisBackendTest, KwinGoneLeavesTheAppAnswering) {
  START_OR_SKIP(Kwin());
  StderrCapture stderr_capture;
  PluginChannel channel;
  // Sent once the keyboard is there (a keyboardPress before its keymap is
  // known answers false).
  channel.Invoke(method::kKeyboardClick, Args({{"key", Int(0x00)}}));
  ASSERT_TRUE(WaitFor([](const Lines& lines) {
    return PressedNames(lines) == std::vector<std::string>{"a"};
  })) << ::testing::PrintToString(session_->WindowLines());

  channel.Invoke(method::kKeyboardPress, Args({{"char", Str("q")}}));
  session_->KillCompositor();
  g_usleep(2 * kMinHoldMs * 1000);
  EXPECT_TRUE(WaylandSession::RunUntil(
      [&] {
        return stderr_capture.Count(
                   "[EisBackend] KWin closed the EIS "
                   "connection") == 1;
      },
      10000))
      << stderr_capture.Text();
  for (const char* text : {"b", "c"}) {
    EXPECT_EQ(
        channel.Invoke(method::kKeyboardPress, Args({{"char", Str(text)}}))
            .kind,
        Reply::kSuccess);
    Move(channel, 10, 10);
    EXPECT_EQ(channel.Invoke(method::kScreenList).kind, Reply::kSuccess);
    WaylandSession::RunUntil([] { return false; }, 100);
  }
  EXPECT_EQ(stderr_capture.Count("[EisBackend] "), 1u) << stderr_capture.Text();
}

}  // namespace
}  // namespace quorvel
