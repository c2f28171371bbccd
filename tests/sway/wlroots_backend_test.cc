// The wlroots backend through the plugin's channel, on a headless sway of
// the test's own: what native Wayland windows on its two outputs receive.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>
#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "backend/common/key_hold.h"
#include "backend/wlroots/connection.h"
#include "backend/wlroots/virtual_devices.h"
#include "support/channel_methods.h"
#include "support/environment.h"
#include "support/plugin_channel.h"
#include "support/probe_window_lines.h"
#include "support/sway_session.h"

namespace quorvel {
namespace {

using testing::AllKeys;
using testing::Args;
using testing::Count;
using testing::Int;
using testing::KeyEvent;
using testing::kMinHoldMs;
using testing::Lines;
using testing::PluginChannel;
using testing::Reply;
using testing::ScopedEnv;
using testing::Str;
using testing::SwaySession;
using testing::TypedText;
// macOS virtual key codes.
constexpr int kVkA = 0x00;
constexpr int kVkC = 0x08;

// Each press is followed by its own release at least kMinHoldMs later by
// the event times, before the next key goes down.
void ExpectHeldLongEnough(const std::vector<KeyEvent>& keys) {
  for (size_t i = 0; i < keys.size(); i++) {
    if (!keys[i].press || i + 1 >= keys.size() || !keys[i + 1].press) {
      continue;
    }
    ADD_FAILURE() << keys[i].name << " is not released before "
                  << keys[i + 1].name;
  }
  for (size_t i = 0; i + 1 < keys.size(); i++) {
    if (keys[i].press && !keys[i + 1].press) {
      EXPECT_EQ(keys[i + 1].name, keys[i].name);
      EXPECT_GE(keys[i + 1].time - keys[i].time, kMinHoldMs) << keys[i].name;
    }
  }
}

// Standard error into a file the test reads while the backend writes.
class StderrFile {
 public:
  StderrFile() {
    char path[] = "/tmp/quorvel-stderr.XXXXXX";
    fd_ = mkstemp(path);
    unlink(path);
    fflush(stderr);
    saved_ = dup(2);
    dup2(fd_, 2);
  }
  ~StderrFile() {
    fflush(stderr);
    dup2(saved_, 2);
    close(saved_);
    close(fd_);
  }
  size_t Count(const std::string& needle) const {
    fflush(stderr);
    std::string text;
    char buffer[4096];
    ssize_t n;
    for (off_t at = 0; (n = pread(fd_, buffer, sizeof(buffer), at)) > 0;
         at += n) {
      text.append(buffer, static_cast<size_t>(n));
    }
    size_t count = 0;
    for (size_t at = text.find(needle); at != std::string::npos;
         at = text.find(needle, at + 1)) {
      count++;
    }
    return count;
  }

 private:
  int fd_ = -1;
  int saved_ = -1;
};

class WlrootsBackendTest : public ::testing::Test {
 protected:
  // Starts sway and points the plugin at it: a Wayland session with no bus
  // (so no GNOME) and no X display.
  bool Start(const SwaySession::Options& options = SwaySession::Options()) {
    std::string error;
    session_ = SwaySession::Start(options, &error);
    if (!session_) {
      error_ = error;
      return false;
    }
    PointAt(*session_);
    return true;
  }

  void PointAt(const SwaySession& session) {
    env_.clear();
    env_.push_back(std::make_unique<ScopedEnv>("XDG_SESSION_TYPE",
                                               std::string("wayland")));
    env_.push_back(
        std::make_unique<ScopedEnv>("XDG_RUNTIME_DIR", session.runtime_dir()));
    env_.push_back(std::make_unique<ScopedEnv>("WAYLAND_DISPLAY",
                                               session.wayland_display()));
    env_.push_back(
        std::make_unique<ScopedEnv>("DBUS_SESSION_BUS_ADDRESS", std::nullopt));
    env_.push_back(std::make_unique<ScopedEnv>("DISPLAY", std::nullopt));
  }

  bool WaitFor(const std::function<bool(const Lines&)>& done) {
    return session_->WaitForWindow(done);
  }

  void Click(PluginChannel& channel,
             int x,
             int y,
             const char* type,
             const char* button = "Left") {
    channel.Invoke(method::kMoveMouseAndClick, Args({{"x", Int(x)},
                                                     {"y", Int(y)},
                                                     {"type", Str(type)},
                                                     {"button", Str(button)}}));
  }

  // Clicks into the window on the first output, so it has the keyboard.
  void Focus(PluginChannel& channel) {
    Click(channel, 50, 50, "Down");
    Click(channel, 50, 50, "Up");
    ASSERT_TRUE(WaitFor([](const Lines& lines) {
      return Count(lines, "BUTTON release window=0 button=1 x=50 y=50") == 1;
    })) << ::testing::PrintToString(session_->WindowLines());
  }

  bool Type(PluginChannel& channel, const char* text) {
    Reply reply =
        channel.Invoke(method::kKeyboardPress, Args({{"char", Str(text)}}));
    return reply.kind == Reply::kSuccess &&
           fl_value_get_type(reply.result.get()) == FL_VALUE_TYPE_BOOL &&
           fl_value_get_bool(reply.result.get());
  }

  std::unique_ptr<SwaySession> session_;
  std::string error_;
  std::vector<std::unique_ptr<ScopedEnv>> env_;
};

#define START_OR_SKIP(...)          \
  do {                              \
    if (!Start(__VA_ARGS__)) {      \
      QUORVEL_SKIP_OR_FAIL(error_); \
    }                               \
  } while (0)

// HEADLESS-1 is 1280x720 at 0,0; HEADLESS-2 is 1600x1200 at scale 2, so
// 800x600 logical pixels at 1280,200.
TEST_F(WlrootsBackendTest, PointerLandsOnEachOutputAndScreensMatch) {
  START_OR_SKIP();
  PluginChannel channel;

  const struct {
    int x, y;  // of the whole desktop
    const char* button;
    const char* expected;
  } clicks[] = {
      {100, 150, "Left", "BUTTON press window=0 button=1 x=100 y=150"},
      {1680, 500, "Right", "BUTTON press window=1 button=3 x=400 y=300"},
      {2079, 799, "Middle", "BUTTON press window=1 button=2 x=799 y=599"},
  };
  for (const auto& c : clicks) {
    Click(channel, c.x, c.y, "Down", c.button);
    Click(channel, c.x, c.y, "Up", c.button);
  }
  channel.Invoke(method::kWheelMouse,
                 Args({{"x", Int(0)}, {"y", Int(0)}, {"delta", Int(2)}}));
  channel.Invoke(method::kWheelMouse,
                 Args({{"x", Int(0)}, {"y", Int(0)}, {"delta", Int(-1)}}));
  EXPECT_TRUE(WaitFor([](const Lines& lines) {
    return Count(lines, "SCROLL window=1 direction=down") == 1;
  })) << ::testing::PrintToString(session_->WindowLines());
  const Lines lines = session_->WindowLines();
  SCOPED_TRACE(::testing::PrintToString(lines));
  for (const auto& c : clicks) {
    EXPECT_EQ(Count(lines, c.expected), 1u) << c.expected;
  }
  EXPECT_EQ(Count(lines, "SCROLL window=1 direction=up"), 2u);

  Reply screens = channel.Invoke(method::kScreenList);
  ASSERT_EQ(fl_value_get_type(screens.result.get()), FL_VALUE_TYPE_LIST);
  ASSERT_EQ(fl_value_get_length(screens.result.get()), 2u);
  const std::regex expected[] = {
      std::regex("(\\d+)@1280:720:0:0:1(\\.0)?"),
      std::regex("(\\d+)@800:600:1280:200:2(\\.0)?"),
  };
  std::string ids[2];
  for (size_t i = 0; i < 2; i++) {
    const std::string entry =
        fl_value_get_string(fl_value_get_list_value(screens.result.get(), i));
    std::smatch match;
    EXPECT_TRUE(std::regex_match(entry, match, expected[i])) << entry;
    ids[i] = match.size() > 1 ? match[1].str() : "";
  }
  EXPECT_NE(ids[0], ids[1]);
  Reply size = channel.Invoke(method::kScreenSize);
  EXPECT_STREQ(fl_value_get_string(size.result.get()), "2080:800");
  Reply coords = channel.Invoke(method::kGetMouseCoords);
  EXPECT_STREQ(fl_value_get_string(coords.result.get()), "2079:799");
}

// An output moved while the plugin runs: the screens and the pointer follow.
TEST_F(WlrootsBackendTest, FollowsAnOutputThatMoves) {
  START_OR_SKIP();
  PluginChannel channel;
  ASSERT_EQ(
      fl_value_get_length(channel.Invoke(method::kScreenList).result.get()),
      2u);

  ASSERT_TRUE(session_->Command("output HEADLESS-2 position 1280 0"));
  EXPECT_TRUE(SwaySession::RunUntil(
      [&] {
        Reply size = channel.Invoke(method::kScreenSize);
        return std::string(fl_value_get_string(size.result.get())) ==
               "2080:720";
      },
      10000));
  Click(channel, 1680, 300, "Down");
  Click(channel, 1680, 300, "Up");
  EXPECT_TRUE(WaitFor([](const Lines& lines) {
    return Count(lines, "BUTTON press window=1 button=1 x=400 y=300") == 1;
  })) << ::testing::PrintToString(session_->WindowLines());
}

// The keys of the user's keyboard: with a German keyboard on the seat, Z
// is the key right of T (keycode 29), not the one left of X (52).
TEST_F(WlrootsBackendTest, KeysComeFromTheSeatsKeymap) {
  START_OR_SKIP();
  // The user's keyboard, made active by a key of its own.
  std::string why;
  std::unique_ptr<wlroots::Connection> user =
      wlroots::Connection::Open(5000, &why);
  ASSERT_TRUE(user) << why;
  xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
  const xkb_rule_names german = {nullptr, nullptr, "de", nullptr, nullptr};
  xkb_keymap* keymap =
      xkb_keymap_new_from_names(context, &german, XKB_KEYMAP_COMPILE_NO_FLAGS);
  char* text = xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1);
  {
    wlroots::VirtualKeyboard keyboard(user.get());
    ASSERT_TRUE(keyboard.SetKeymap(text));
    constexpr uint32_t kShiftL = 50;
    keyboard.Key(kShiftL, true);
    keyboard.Key(kShiftL, false);
    ASSERT_TRUE(user->Roundtrip(5000));

    PluginChannel channel;
    Focus(channel);
    EXPECT_TRUE(Type(channel, "z"));
    EXPECT_TRUE(Type(channel, "@"));
    channel.Invoke(method::kKeyboardClick, Args({{"key", Int(0x06)}}));
    EXPECT_TRUE(WaitFor([](const Lines& lines) {
      const std::vector<KeyEvent> keys = AllKeys(lines);
      return !keys.empty() && keys.back().name == "z" && !keys.back().press &&
             std::count_if(keys.begin(), keys.end(), [](const KeyEvent& k) {
               return k.press && k.name == "z";
             }) == 2;
    })) << ::testing::PrintToString(session_->WindowLines());
    std::vector<KeyEvent> keys = AllKeys(session_->WindowLines());
    // Presses only, without the user keyboard's own Shift.
    keys.erase(std::remove_if(keys.begin(), keys.end(),
                              [](const KeyEvent& key) {
                                return !key.press || key.name == "Shift_L";
                              }),
               keys.end());
    ASSERT_EQ(keys.size(), 3u);
    // "z" typed, "@" as AltGr+Q, and macOS kVK_ANSI_Z.
    EXPECT_EQ(keys[0].name + " " + std::to_string(keys[0].code), "z 29");
    EXPECT_EQ(keys[1].name + " " + std::to_string(keys[1].code), "at 24");
    EXPECT_EQ(keys[2].name + " " + std::to_string(keys[2].code), "z 29");
  }
  free(text);
  xkb_keymap_unref(keymap);
  xkb_context_unref(context);
}

// Characters of every kind, each typed once and in order, keys held long
// enough; a config reload between two characters (sway then puts its own
// keymap on the virtual keyboard) does not change what the next one types;
// keys with Shift and Command arrive as from the user's keyboard.
TEST_F(WlrootsBackendTest, TypesAnyCharacterExactlyAndKeysAsTheUsersKeyboard) {
  START_OR_SKIP();
  PluginChannel channel;
  Focus(channel);

  const std::vector<std::string> text = {"Q", "w", "7", "!",  "?", "/", "é",
                                         "Ü", "ж", "Ж", "漢", "😀", "ж"};
  std::string expected;
  for (size_t i = 0; i < text.size(); i++) {
    if (i + 1 == text.size()) {
      // The same character again after a reload: its spare key keeps the
      // character only if the keymap is sent again. The reload comes once
      // the last key is up: sway resets keyboards on reload.
      ASSERT_TRUE(WaitFor([&](const Lines& lines) {
        const std::vector<KeyEvent> keys = AllKeys(lines);
        return TypedText(lines) == expected && !keys.back().press;
      })) << TypedText(session_->WindowLines());
      ASSERT_TRUE(session_->Command("reload"));
    }
    EXPECT_TRUE(Type(channel, text[i].c_str())) << text[i];
    expected += text[i];
  }
  channel.Invoke(method::kKeyboardClickShiftPressed,
                 Args({{"key", Int(kVkA)}}));
  channel.Invoke(method::kKeyboardClickCommandPressed,
                 Args({{"key", Int(kVkC)}}));
  channel.Invoke(method::kKeyboardClick, Args({{"key", Int(kVkA)}}));

  EXPECT_TRUE(WaitFor([](const Lines& lines) {
    const std::vector<KeyEvent> keys = AllKeys(lines);
    return !keys.empty() && keys.back().name == "a" && !keys.back().press;
  })) << ::testing::PrintToString(session_->WindowLines());
  const Lines lines = session_->WindowLines();
  SCOPED_TRACE(::testing::PrintToString(lines));
  std::vector<KeyEvent> keys = AllKeys(lines);
  std::vector<KeyEvent> typed(keys.begin(), keys.end() - 10);
  std::string arrived;
  for (const KeyEvent& key : typed) {
    if (key.press) {
      arrived += key.text;
    }
  }
  EXPECT_EQ(arrived, expected);
  ExpectHeldLongEnough(typed);

  // What a user's Shift+A, Super+C and A look like.
  const std::vector<std::string> chords = {
      "press Shift_L ", "press A S", "release A S", "release Shift_L S",
      "press Super_L ", "press c W", "release c W", "release Super_L W",
      "press a ",       "release a "};
  ASSERT_GE(keys.size(), chords.size());
  for (size_t i = 0; i < chords.size(); i++) {
    const KeyEvent& key = keys[keys.size() - chords.size() + i];
    EXPECT_EQ(std::string(key.press ? "press " : "release ") + key.name + " " +
                  key.mods,
              chords[i]);
  }
}

TEST_F(WlrootsBackendTest, DisposeReleasesHeldKeyAndButton) {
  START_OR_SKIP();
  PluginChannel channel;
  Focus(channel);
  channel.Invoke(method::kKeyboardClick,
                 Args({{"key", Int(kVkA)}, {"type", Str("Down")}}));
  Click(channel, 200, 200, "Down");
  ASSERT_TRUE(WaitFor([](const Lines& lines) {
    return Count(lines, "BUTTON press window=0 button=1 x=200 y=200") == 1;
  })) << ::testing::PrintToString(session_->WindowLines());

  channel.Shutdown();

  EXPECT_TRUE(WaitFor([](const Lines& lines) {
    const std::vector<KeyEvent> keys = AllKeys(lines);
    return Count(lines, "BUTTON release window=0 button=1 x=200 y=200") == 1 &&
           !keys.empty() && keys.back().name == "a" && !keys.back().press;
  })) << ::testing::PrintToString(session_->WindowLines());
}

// The compositor killed mid-session: the app goes on, calls answer as
// without a desktop and it says so once; a compositor that comes back is
// used again.
TEST_F(WlrootsBackendTest, CompositorGoneLeavesTheAppAnswering) {
  SwaySession::Options options;
  options.window = false;
  START_OR_SKIP(options);
  StderrFile stderr_file;
  PluginChannel channel;
  // The compositor dies with events for us still unread (an output moved)
  // and a key release written after it is gone: the release's failed write
  // must end the connection, not leave the main loop retrying it forever.
  ASSERT_TRUE(session_->Command("output HEADLESS-2 position 1280 300"));
  EXPECT_TRUE(Type(channel, "a"));
  session_->Kill();
  g_usleep(2 * kKeyHoldDelayMs * 1000);
  EXPECT_TRUE(SwaySession::RunUntil(
      [&] { return stderr_file.Count("[WlrootsBackend] Lost") == 1; }, 10000));
  EXPECT_FALSE(Type(channel, "b"));
  channel.Invoke(method::kMoveMouse, Args({{"x", Int(5)}, {"y", Int(5)}}));
  Reply screens = channel.Invoke(method::kScreenList);
  ASSERT_EQ(screens.kind, Reply::kSuccess);
  EXPECT_EQ(fl_value_get_length(screens.result.get()), 0u);
  Reply version = channel.Invoke(method::kGetPlatformVersion);
  EXPECT_EQ(version.kind, Reply::kSuccess);

  std::unique_ptr<SwaySession> second = std::move(session_);
  START_OR_SKIP();
  EXPECT_TRUE(SwaySession::RunUntil(
      [&] {
        Reply list = channel.Invoke(method::kScreenList);
        return fl_value_get_length(list.result.get()) == 2;
      },
      10000));
  Focus(channel);
  EXPECT_TRUE(Type(channel, "z"));
  EXPECT_TRUE(WaitFor([](const Lines& lines) {
    return TypedText(lines) == "z";
  })) << ::testing::PrintToString(session_->WindowLines());
  EXPECT_EQ(stderr_file.Count("[WlrootsBackend] Lost"), 1u);
}

}  // namespace
}  // namespace quorvel
