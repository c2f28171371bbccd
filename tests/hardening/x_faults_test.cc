// The X server going away under the plugin, and servers without one of the
// extensions the backend uses.

#include <X11/keysym.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "fuzz/sandbox.h"
#include "support/channel_methods.h"
#include "support/environment.h"
#include "support/glib_log_guard.h"
#include "support/plugin_channel.h"
#include "support/stderr_capture.h"
#include "support/x_server.h"

namespace quorvel {
namespace testing {
namespace {

FlValue* Point(int x, int y) {
  return Args({{"x", fl_value_new_int(x)}, {"y", fl_value_new_int(y)}});
}

std::string StringResult(const Reply& reply) {
  if (reply.kind != Reply::kSuccess || !reply.result ||
      fl_value_get_type(reply.result.get()) != FL_VALUE_TYPE_STRING) {
    return "<not a string>";
  }
  return fl_value_get_string(reply.result.get());
}

bool HasExtension(const XServer& server, const char* name) {
  DisplayPtr display = server.Connect();
  int opcode = 0;
  int event = 0;
  int error = 0;
  return display &&
         XQueryExtension(display.get(), name, &opcode, &event, &error);
}

std::unique_ptr<XServer> StartWithout(const char* extension,
                                      std::string* error) {
  XServer::Options options;
  options.extra_args = {"-extension", extension};
  return XServer::Start(options, error);
}

// LeakSanitizer's interface, present only in sanitizer builds.
extern "C" void __lsan_disable() __attribute__((weak));
extern "C" void __lsan_enable() __attribute__((weak));

// libXrandr keeps a 32-byte record per connection to a server without RANDR
// and never frees it; not ours to fix, so not reported.
class ScopedLibraryLeak {
 public:
  ScopedLibraryLeak() {
    if (__lsan_disable) {
      __lsan_disable();
    }
  }
  ~ScopedLibraryLeak() {
    if (__lsan_enable) {
      __lsan_enable();
    }
  }
  ScopedLibraryLeak(const ScopedLibraryLeak&) = delete;
  ScopedLibraryLeak& operator=(const ScopedLibraryLeak&) = delete;
};

class XFaultsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(fuzz::IsolateFromSession()); }
};

// What a forked child that drives the plugin through a server's death
// reported: the calls it got through, how it ended, what it printed.
struct ChildRun {
  std::vector<std::string> completed;
  int status = 0;
  std::string stderr_text;
};

std::string ReadAll(int fd) {
  std::string text;
  char buffer[4096];
  ssize_t n = 0;
  while ((n = read(fd, buffer, sizeof(buffer))) > 0) {
    text.append(buffer, n);
  }
  return text;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end = text.find('\n'); end != std::string::npos;
       end = text.find('\n', start)) {
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

std::string ReplyKind(const Reply& reply) {
  switch (reply.kind) {
    case Reply::kSuccess:
      return "success";
    case Reply::kError:
      return "error";
    case Reply::kNotImplemented:
      return "not implemented";
    case Reply::kNoReply:
      break;
  }
  return "no reply";
}

// Methods that start commands rather than talk to the display.
bool StartsACommand(const std::string& method) {
  return method == "lockScreen" || method == "openDirectory";
}

// Registers the plugin on `server` in a child process and makes one call;
// the parent then kills the server and the child calls every method. The
// parent starts a server on the same display again and the child moves the
// pointer until the plugin is back on it. A child, so that a fault that ends
// the process shows as its exit status rather than ending the test run.
// Lines reported: "<method> <reply kind>" per call while the server is
// gone, "done", then "back <x:y>" with what "getMouseCoords" said after the
// move.
ChildRun KillAndRestartServer(std::unique_ptr<XServer> server) {
  int to_parent[2];
  int to_child[2];
  int errors[2];
  if (pipe(to_parent) != 0 || pipe(to_child) != 0 || pipe(errors) != 0) {
    ADD_FAILURE() << "pipe failed";
    return {};
  }
  const std::string display_name = server->display_name();
  setenv("DISPLAY", display_name.c_str(), 1);
  pid_t pid = fork();
  if (pid == 0) {
    dup2(errors[1], STDERR_FILENO);
    close(to_parent[0]);
    close(to_child[1]);
    close(errors[0]);
    PluginChannel channel;
    channel.Invoke("moveMouse", Point(10, 20));
    auto report = [&](const std::string& line) {
      std::string text = line + "\n";
      if (write(to_parent[1], text.data(), text.size()) < 0) {
        _exit(3);
      }
    };
    auto wait_for_parent = [&] {
      char go = 0;
      if (read(to_child[0], &go, 1) != 1) {
        _exit(4);
      }
    };
    report("ready");
    wait_for_parent();
    for (const char* method : kChannelMethods) {
      if (!StartsACommand(method)) {
        report(std::string(method) + " " +
               ReplyKind(channel.Invoke(method, Point(30, 40))));
      }
    }
    report("done");
    wait_for_parent();
    // At most one reconnection attempt a second: keep moving for a while.
    std::string coords;
    for (int attempt = 0; attempt < 50 && coords != "30:40"; ++attempt) {
      usleep(200 * 1000);
      channel.Invoke("moveMouse", Point(30, 40));
      coords = StringResult(channel.Invoke("getMouseCoords"));
    }
    report("back " + coords);
    _exit(0);
  }
  unsetenv("DISPLAY");
  close(to_parent[1]);
  close(to_child[0]);
  close(errors[1]);

  ChildRun run;
  std::string line;
  auto read_line = [&] {
    line.clear();
    char c = 0;
    while (read(to_parent[0], &c, 1) == 1 && c != '\n') {
      line += c;
    }
    return !line.empty();
  };
  EXPECT_TRUE(read_line() && line == "ready");
  server.reset();  // SIGTERM, and reaped: the connection is gone
  EXPECT_EQ(write(to_child[1], "g", 1), 1);
  while (read_line()) {
    run.completed.push_back(line);
    if (line == "done") {
      break;
    }
  }
  XServer::Options same_display;
  same_display.display = display_name;
  std::string error;
  std::unique_ptr<XServer> restarted = XServer::Start(same_display, &error);
  EXPECT_TRUE(restarted) << error;
  EXPECT_EQ(write(to_child[1], "g", 1), 1);
  close(to_child[1]);
  for (const std::string& rest : Lines(ReadAll(to_parent[0]))) {
    run.completed.push_back(rest);
  }
  run.stderr_text = ReadAll(errors[0]);
  close(to_parent[0]);
  close(errors[0]);
  while (waitpid(pid, &run.status, 0) < 0 && errno == EINTR) {
  }
  return run;
}

size_t Count(const std::string& text, const std::string& needle);

// The server going away only marks the connection lost: every method still
// answers as without a display, and once a server runs on the display again
// the plugin is back on it.
TEST_F(XFaultsTest, ServerDeathIsSurvivedAndTheServerComesBack) {
  std::string error;
  std::unique_ptr<XServer> server = XServer::Start({}, &error);
  if (!server) {
    QUORVEL_SKIP_OR_FAIL(error);
  }
  ChildRun run = KillAndRestartServer(std::move(server));
  ASSERT_TRUE(WIFEXITED(run.status)) << run.status << "\n" << run.stderr_text;
  EXPECT_EQ(WEXITSTATUS(run.status), 0) << run.stderr_text;
  std::vector<std::string> expected;
  for (const char* method : kChannelMethods) {
    if (!StartsACommand(method)) {
      expected.push_back(std::string(method) + " success");
    }
  }
  expected.push_back("done");
  expected.push_back("back 30:40");
  EXPECT_EQ(run.completed, expected) << run.stderr_text;
  EXPECT_EQ(Count(run.stderr_text, "[X11Backend] Lost the connection"), 1u)
      << run.stderr_text;
  // Once at the start, once when the server is back.
  EXPECT_EQ(Count(run.stderr_text, "[X11Backend] XOpenDisplay(NULL): "), 2u)
      << run.stderr_text;
}

size_t Count(const std::string& text, const std::string& needle) {
  size_t count = 0;
  for (size_t at = text.find(needle); at != std::string::npos;
       at = text.find(needle, at + 1)) {
    ++count;
  }
  return count;
}

// An app that exits without disposing the plugin (exit() from anywhere)
// still leaves nothing held: the keys and buttons go up as the process ends.
TEST_F(XFaultsTest, ExitWithoutDisposeReleasesWhatIsHeld) {
  std::string error;
  std::unique_ptr<XServer> server = XServer::Start({}, &error);
  if (!server) {
    QUORVEL_SKIP_OR_FAIL(error);
  }
  DisplayPtr observer = server->Connect();
  ASSERT_TRUE(observer);
  const KeyCode shift = XKeysymToKeycode(observer.get(), XK_Shift_L);
  auto held = [&] {
    return std::make_pair(KeyIsDown(observer.get(), shift),
                          ButtonsDown(observer.get()) != 0);
  };

  int to_parent[2];
  int to_child[2];
  ASSERT_EQ(pipe(to_parent), 0);
  ASSERT_EQ(pipe(to_child), 0);
  ScopedEnv display("DISPLAY", server->display_name());
  pid_t pid = fork();
  if (pid == 0) {
    close(to_parent[0]);
    close(to_child[1]);
    // Never disposed: the app just exits.
    auto* channel = new PluginChannel();
    channel->Invoke("keyboardClick",
                    Args({{"key", fl_value_new_int(0x38)},
                          {"type", fl_value_new_string("Down")}}));
    FlValue* click = Point(5, 5);
    fl_value_set_string_take(click, "type", fl_value_new_string("Down"));
    channel->Invoke("moveMouseAndClick", click);
    channel->Invoke("getMouseCoords");
    char go = 0;
    if (write(to_parent[1], "h", 1) != 1 || read(to_child[0], &go, 1) != 1) {
      _exit(4);
    }
    exit(0);
  }
  close(to_parent[1]);
  close(to_child[0]);
  char ready = 0;
  ASSERT_EQ(read(to_parent[0], &ready, 1), 1);
  EXPECT_EQ(held(), std::make_pair(true, true));
  ASSERT_EQ(write(to_child[1], "g", 1), 1);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  close(to_parent[0]);
  close(to_child[1]);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_EQ(held(), std::make_pair(false, false));
}

// libXtst checks for the extension before each request and sends nothing
// when it is missing, printing one Xlib line per request. The warp of
// "moveMouse" is core protocol and still moves the pointer; "keyboardPress"
// still answers true, since it reports the keymap lookup, not delivery.
TEST_F(XFaultsTest, WithoutXtestOnlyTheWarpMovesThePointer) {
  std::string error;
  std::unique_ptr<XServer> server = StartWithout("XTEST", &error);
  if (!server) {
    QUORVEL_SKIP_OR_FAIL(error);
  }
  ASSERT_FALSE(HasExtension(*server, "XTEST"));
  ScopedEnv display("DISPLAY", server->display_name());
  StderrCapture captured;
  {
    PluginChannel channel;
    channel.Invoke("moveMouse", Point(100, 200));
    EXPECT_EQ(StringResult(channel.Invoke("getMouseCoords")), "100:200");
    // Motion without a warp: nothing reaches the server.
    channel.Invoke("moveMouseAndClick", Point(300, 400));
    EXPECT_EQ(StringResult(channel.Invoke("getMouseCoords")), "100:200");
    channel.Invoke("doubleClick", Point(1, 1));
    channel.Invoke("wheelMouse", Point(1, 1));
    channel.Invoke("keyboardClick", Args({{"key", fl_value_new_int(0)}}));
    Reply typed = channel.Invoke("keyboardPress",
                                 Args({{"char", fl_value_new_string("a")}}));
    ASSERT_EQ(typed.kind, Reply::kSuccess);
    EXPECT_TRUE(fl_value_get_bool(typed.result.get()));
  }
  std::string text = captured.Finish();
  EXPECT_GT(Count(text, "extension \"XTEST\" missing"), 0u) << text;
}

// XRRGetScreenResources gives null without the extension (after one Xlib
// line): the empty list. The screen size needs no RandR.
TEST_F(XFaultsTest, WithoutRandrTheScreenListIsEmpty) {
  std::string error;
  std::unique_ptr<XServer> server = StartWithout("RANDR", &error);
  if (!server) {
    QUORVEL_SKIP_OR_FAIL(error);
  }
  ASSERT_FALSE(HasExtension(*server, "RANDR"));
  ScopedEnv display("DISPLAY", server->display_name());
  StderrCapture captured;
  {
    PluginChannel channel;
    ScopedLibraryLeak randr_record;
    Reply list = channel.Invoke("screenList");
    ASSERT_EQ(list.kind, Reply::kSuccess);
    ASSERT_EQ(fl_value_get_type(list.result.get()), FL_VALUE_TYPE_LIST);
    EXPECT_EQ(fl_value_get_length(list.result.get()), 0u);
    EXPECT_EQ(StringResult(channel.Invoke("screenSize")), "1280:1024");
  }
  std::string text = captured.Finish();
  EXPECT_NE(text.find("extension \"RANDR\" missing"), std::string::npos)
      << text;
}

// Without XFixes only the invisible root cursor hides the pointer; no XFixes
// request is sent, so no error is reported.
TEST_F(XFaultsTest, WithoutXfixesTheCursorStillToggles) {
  std::string error;
  std::unique_ptr<XServer> server = StartWithout("XFIXES", &error);
  if (!server) {
    QUORVEL_SKIP_OR_FAIL(error);
  }
  ASSERT_FALSE(HasExtension(*server, "XFIXES"));
  ScopedEnv display("DISPLAY", server->display_name());
  StderrCapture captured;
  {
    PluginChannel channel;
    for (const char* method : {"hideCursor", "showCursor", "hideCursor"}) {
      Reply reply = channel.Invoke(method);
      EXPECT_EQ(reply.kind, Reply::kSuccess) << method;
    }
    EXPECT_EQ(StringResult(channel.Invoke("getMouseCoords")), "640:512");
  }
  std::string text = captured.Finish();
  EXPECT_EQ(text.find("Ignored X error"), std::string::npos) << text;
  EXPECT_EQ(text.find("Xlib"), std::string::npos) << text;
}

}  // namespace
}  // namespace testing
}  // namespace quorvel
