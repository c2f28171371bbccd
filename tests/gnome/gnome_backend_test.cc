// The GNOME backend through the plugin's channel, on a headless GNOME
// Wayland session of the test's own: what a native Wayland window receives.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "support/channel_methods.h"
#include "support/environment.h"
#include "support/gnome_session.h"
#include "support/plugin_channel.h"

namespace quorvel {
namespace {

using testing::Args;
using testing::GnomeSession;
using testing::PluginChannel;
using testing::Reply;
using testing::ScopedEnv;
using Lines = std::vector<std::string>;

// The shortest key hold the compositor must see, as on X11.
constexpr unsigned kMinHoldMs = 15;

struct Rect {
  int x = 0, y = 0, width = 0, height = 0;
};

FlValue* Int(int64_t value) {
  return fl_value_new_int(value);
}
FlValue* Str(const char* value) {
  return fl_value_new_string(value);
}

size_t Count(const Lines& lines, const std::string& line) {
  return std::count(lines.begin(), lines.end(), line);
}

// The monitor each probe window is fullscreen on, by window index.
std::vector<Rect> WindowMonitors(const Lines& lines) {
  std::vector<Rect> monitors(2);
  for (const std::string& line : lines) {
    int index = 0;
    Rect r;
    if (sscanf(line.c_str(), "FULLSCREEN window=%d monitor=%d,%d,%d,%d", &index,
               &r.x, &r.y, &r.width, &r.height) == 5 &&
        index >= 0 && index < 2) {
      monitors[index] = r;
    }
  }
  return monitors;
}

// The index of the window on the monitor at the desktop's origin, as text.
std::string OriginWindow(const Lines& lines) {
  const std::vector<Rect> monitors = WindowMonitors(lines);
  return monitors[1].x == 0 && monitors[1].y == 0 ? "1" : "0";
}

struct KeyEvent {
  bool press;
  std::string name;
  unsigned time;
};

bool IsModifier(const std::string& name) {
  for (const char* part :
       {"Shift", "Control", "Alt", "Super", "Meta", "ISO_"}) {
    if (name.find(part) != std::string::npos) {
      return true;
    }
  }
  return false;
}

// The window's key events, modifiers left out: the compositor adds Shift or
// AltGr where a character needs them.
std::vector<KeyEvent> Keys(const Lines& lines) {
  static const std::regex pattern(
      "KEY (press|release) window=\\d+ name=(\\S+) char='.*' time=(\\d+) "
      "mods=\\w* code=\\d+");
  std::vector<KeyEvent> keys;
  for (const std::string& line : lines) {
    std::smatch match;
    if (std::regex_match(line, match, pattern) && !IsModifier(match[2])) {
      keys.push_back({match[1] == "press", match[2],
                      static_cast<unsigned>(std::stoul(match[3]))});
    }
  }
  return keys;
}

std::vector<std::string> PressedNames(const Lines& lines) {
  std::vector<std::string> names;
  for (const KeyEvent& key : Keys(lines)) {
    if (key.press) {
      names.push_back(key.name);
    }
  }
  return names;
}

// Standard error into a file the test can read while the code under test
// keeps writing, restored at the end of the scope.
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
  std::string Text() const {
    fflush(stderr);
    std::string text;
    char buffer[4096];
    ssize_t n;
    for (off_t at = 0; (n = pread(fd_, buffer, sizeof(buffer), at)) > 0;
         at += n) {
      text.append(buffer, static_cast<size_t>(n));
    }
    return text;
  }
  size_t Count(const std::string& needle) const {
    const std::string text = Text();
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

class GnomeBackendTest : public ::testing::Test {
 protected:
  // Starts the session and points the plugin at it: a Wayland session whose
  // buses are the private ones, and no X display.
  bool Start(const GnomeSession::Options& options) {
    std::string error;
    session_ = GnomeSession::Start(options, &error);
    if (!session_) {
      error_ = error;
      return false;
    }
    env_.push_back(std::make_unique<ScopedEnv>("XDG_SESSION_TYPE",
                                               std::string("wayland")));
    env_.push_back(std::make_unique<ScopedEnv>(
        "DBUS_SESSION_BUS_ADDRESS", session_->session_bus_address()));
    env_.push_back(std::make_unique<ScopedEnv>("DBUS_SYSTEM_BUS_ADDRESS",
                                               session_->system_bus_address()));
    env_.push_back(std::make_unique<ScopedEnv>("DISPLAY", std::nullopt));
    env_.push_back(
        std::make_unique<ScopedEnv>("WAYLAND_DISPLAY", std::nullopt));
    // The backend reads the shell's input sources; dconf would hold the
    // session bus that each test stops, and end the process when it goes.
    env_.push_back(std::make_unique<ScopedEnv>("GSETTINGS_BACKEND",
                                               std::string("memory")));
    return true;
  }

  bool WaitFor(const std::function<bool(const Lines&)>& done) {
    return session_->WaitForWindow(done);
  }

  void Move(PluginChannel& channel, int x, int y) {
    channel.Invoke(method::kMoveMouse, Args({{"x", Int(x)}, {"y", Int(y)}}));
  }
  void Click(PluginChannel& channel,
             int x,
             int y,
             const char* type,
             const char* button) {
    channel.Invoke(method::kMoveMouseAndClick, Args({{"x", Int(x)},
                                                     {"y", Int(y)},
                                                     {"type", Str(type)},
                                                     {"button", Str(button)}}));
  }

  std::unique_ptr<GnomeSession> session_;
  std::string error_;
  std::vector<std::unique_ptr<ScopedEnv>> env_;
};

#define START_OR_SKIP(options)      \
  do {                              \
    if (!Start(options)) {          \
      QUORVEL_SKIP_OR_FAIL(error_); \
    }                               \
  } while (0)

TEST_F(GnomeBackendTest, PointerLandsOnEachMonitor) {
  START_OR_SKIP(GnomeSession::Options());
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
    GnomeSession::Options options;
    options.layout = c.layout;
    options.variant = c.variant;
    session_.reset();
    env_.clear();
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
  GnomeSession::Options options;
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
  START_OR_SKIP(GnomeSession::Options());
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
    bool mutter;
  } cases[] = {{"absent", false}, {"refusing", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    GnomeSession::Options options;
    options.mutter = c.mutter;
    options.pipewire = false;
    options.window = false;
    session_.reset();
    env_.clear();
    START_OR_SKIP(options);
    StderrFile stderr_file;
    {
      PluginChannel channel;
      Move(channel, 10, 10);
      EXPECT_TRUE(GnomeSession::RunUntil(
          [&] { return stderr_file.Count("[GnomeBackend] ") > 0; }, 20000));
      Move(channel, 20, 20);
      channel.Invoke(method::kKeyboardClick, Args({{"key", Int(0)}}));
      GnomeSession::RunUntil([] { return false; }, 200);
    }
    EXPECT_EQ(stderr_file.Count("[GnomeBackend] "), 1u) << stderr_file.Text();
  }
}

}  // namespace
}  // namespace quorvel
