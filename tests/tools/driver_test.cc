// The driver executable, run as a user runs it, against the built plugin
// library on a machine without an X display.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <iterator>
#include <regex>
#include <string>
#include <vector>

#include "driver_run.h"
#include "support/channel_methods.h"
#include "support/command_stub.h"
#include "support/scratch_dir.h"

namespace quorvel {
namespace testing {
namespace {

// No display, and nothing of the desktop reachable: the session lock and
// the directory opener find stubs instead of a real logind and file manager.
class DriverWithoutDisplay : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(scratch_.path().empty());
    ASSERT_TRUE(loginctl_.ok());
    ASSERT_TRUE(xdg_open_.ok());
    char* real = realpath(scratch_.path().c_str(), nullptr);
    ASSERT_NE(real, nullptr);
    dir_ = real;
    free(real);
    const char* path = getenv("PATH");
    env_ = {
        {"DISPLAY", std::nullopt},
        {"XAUTHORITY", std::nullopt},
        {"XDG_SESSION_ID", std::nullopt},
        {"DBUS_SYSTEM_BUS_ADDRESS", "unix:path=" + scratch_.File("no-bus")},
        {"GSETTINGS_BACKEND", "memory"},
        {"PATH", scratch_.path() + ":" + (path ? path : "/usr/bin:/bin")},
    };
  }

  DriverRun RunScript(const std::string& script,
                      std::vector<std::string> options = {}) {
    const std::string file = scratch_.File("session.txt");
    EXPECT_TRUE(WriteFile(file, script));
    options.push_back("--script");
    options.push_back(file);
    return RunDriver(options, env_, dir_);
  }

  ScratchDir scratch_;
  CommandStub loginctl_{scratch_.path(), "loginctl"};
  CommandStub xdg_open_{scratch_.path(), "xdg-open"};
  std::string dir_;
  std::vector<EnvChange> env_;
};

struct Expected {
  const char* method;
  std::string args;   // as typed after the method name
  std::string shown;  // a regular expression for the arguments echoed back
  std::string reply;  // a regular expression for the reply
};

TEST_F(DriverWithoutDisplay, AnswersAllThirtyTwoMethods) {
  const std::string cwd = "\"" + dir_ + "\"";
  const Expected methods[] = {
      {method::kGetPlatformVersion, "", "", "\"Linux .+\""},
      {method::kGetUsername, "", "", "\".*\""},
      {method::kLockScreen, "", "", "null"},
      {method::kGetPlatformTheme, "", "", "(true|false)"},
      {method::kGetPlatformThemePointer, "", "", "0"},
      {method::kGetMouseCoords, "", "", "\"0:0\""},
      {method::kScreenSize, "", "", "\"0:0\""},
      {method::kScreenList, "", "", "\\[\\]"},
      {method::kHideCursor, "", "", "null"},
      {method::kShowCursor, "", "", "null"},
      {method::kMoveMouse, "x=100 y=200", "\\{x: 100, y: 200\\}", "null"},
      {method::kDragMouse, "x=110 y=-5", "\\{x: 110, y: -5\\}", "null"},
      {method::kWheelMouse, "x=0 y=0 delta=-3", "\\{x: 0, y: 0, delta: -3\\}",
       "null"},
      {method::kMoveMouseAndClick, "x=10 y=20 type=Down button=Right",
       "\\{x: 10, y: 20, type: \"Down\", button: \"Right\"\\}", "null"},
      {method::kDoubleClick, "x=10.5 y=20", "\\{x: 10.5, y: 20\\}", "null"},
      {method::kKeyboardClick, "key=0x24 type=Down",
       "\\{key: 36, type: \"Down\"\\}", "null"},
      {method::kKeyboardClickShiftPressed, "key=0", "\\{key: 0\\}", "null"},
      {method::kKeyboardClickCommandPressed, "key=0", "\\{key: 0\\}", "null"},
      {method::kKeyboardPress, "char=è", "\\{char: \"è\"\\}", "false"},
      {method::kOpenDirectory, "path=" + cwd, "\\{path: " + cwd + "\\}",
       "null"},
      {method::kGetCurrentDirectory, "", "", cwd},
      {method::kStartCmdTabInterception, "", "", "false"},
      {method::kStopCmdTabInterception, "", "", "false"},
      {method::kHasScreenAccess, "", "", "true"},
      {method::kHasAXIsProcessTrusted, "", "", "true"},
      {method::kHasFullAccessDisk, "", "", "false"},
      {method::kSetScreenAccess, "", "", "null"},
      {method::kSetFullAccessDisk, "", "", "null"},
      {method::kSetAXIsProcessTrusted, "", "", "null"},
      {method::kSetFinderControl, "", "", "null"},
      {method::kGetFinderControl, "", "", "\"1\""},
      {method::kGetMousePath, "", "", "null"},
  };
  ASSERT_EQ(std::size(methods), kChannelMethodCount);
  std::string script = "# every method once\n";
  for (size_t i = 0; i < std::size(methods); ++i) {
    EXPECT_STREQ(methods[i].method, kChannelMethods[i]);
    script += methods[i].method;
    script += methods[i].args.empty() ? "\n" : " " + methods[i].args + "\n";
  }

  const DriverRun run = RunScript(script);

  EXPECT_EQ(run.exit_status, 0) << run.err;
  ASSERT_EQ(run.lines.size(), std::size(methods)) << run.out;
  for (size_t i = 0; i < std::size(methods); ++i) {
    const Expected& expected = methods[i];
    const std::string line =
        std::string(expected.method) +
        (expected.shown.empty() ? "" : " " + expected.shown) + " -> success " +
        expected.reply;
    EXPECT_TRUE(std::regex_match(run.lines[i], std::regex(line)))
        << run.lines[i] << "\n  does not match " << line;
  }
}

TEST_F(DriverWithoutDisplay, HelpListsTheThirtyTwoMethods) {
  const DriverRun run = RunDriver({"--help"}, env_, dir_);
  EXPECT_EQ(run.exit_status, 0);
  size_t listed = 0;
  for (const std::string& line : run.lines) {
    listed +=
        std::regex_search(line, std::regex("^  [a-zA-Z]+ +.*-> ")) ? 1 : 0;
  }
  EXPECT_EQ(listed, 32u) << run.out;
  EXPECT_NE(run.out.find("  keyboardPress "), std::string::npos);
  EXPECT_NE(run.out.find("  getMousePath "), std::string::npos);
}

TEST_F(DriverWithoutDisplay, OneCallFromTheCommandLine) {
  const DriverRun run = RunDriver({"moveMouse", "x=100", "y=200"}, env_, dir_);
  EXPECT_EQ(run.exit_status, 0) << run.err;
  ASSERT_EQ(run.lines.size(), 1u);
  EXPECT_EQ(run.lines[0], "moveMouse {x: 100, y: 200} -> success null");
}

TEST_F(DriverWithoutDisplay, UnknownMethodIsNotImplementedAndFails) {
  const DriverRun run = RunDriver({"MoveMouse", "x=1"}, env_, dir_);
  EXPECT_EQ(run.exit_status, 1);
  ASSERT_EQ(run.lines.size(), 1u);
  EXPECT_EQ(run.lines[0], "MoveMouse {x: 1} -> not implemented");
}

TEST_F(DriverWithoutDisplay, UnknownMethodInAScriptFailsTheRun) {
  const DriverRun run = RunScript("getFinderControl\nnoSuchMethod\n");
  EXPECT_EQ(run.exit_status, 1);
  ASSERT_EQ(run.lines.size(), 2u);
  EXPECT_EQ(run.lines[1], "noSuchMethod -> not implemented");
}

TEST_F(DriverWithoutDisplay, MalformedLineIsNamedAndNotSent) {
  const DriverRun run = RunScript(
      "getFinderControl\n"
      "keyboardPress char=\"abc\n"
      "\n"
      "moveMouse x=12abc\n"
      "hasScreenAccess\n");
  EXPECT_EQ(run.exit_status, 1);
  EXPECT_NE(run.err.find("line 2: unbalanced quote in 'char=\"abc'\n"),
            std::string::npos)
      << run.err;
  EXPECT_NE(run.err.find("line 4: bad number in 'x=12abc'"), std::string::npos)
      << run.err;
  // The other calls still ran, and only they.
  ASSERT_EQ(run.lines.size(), 2u) << run.out;
  EXPECT_EQ(run.lines[0], "getFinderControl -> success \"1\"");
  EXPECT_EQ(run.lines[1], "hasScreenAccess -> success true");
}

TEST_F(DriverWithoutDisplay, MalformedCommandLineSendsNothing) {
  const DriverRun run = RunDriver({"moveMouse", "x"}, env_, dir_);
  EXPECT_EQ(run.exit_status, 1);
  EXPECT_TRUE(run.lines.empty()) << run.out;
  EXPECT_NE(run.err.find("'x' is not key=value"), std::string::npos);
}

TEST_F(DriverWithoutDisplay, ScriptFromStandardInput) {
  const std::string file = scratch_.File("stdin.txt");
  ASSERT_TRUE(WriteFile(file, "getFinderControl\nhasAXIsProcessTrusted\n"));
  const DriverRun run = RunDriverWithInput({"--script", "-"}, env_, dir_, file);
  EXPECT_EQ(run.exit_status, 0) << run.err;
  ASSERT_EQ(run.lines.size(), 2u);
  EXPECT_EQ(run.lines[1], "hasAXIsProcessTrusted -> success true");
}

TEST_F(DriverWithoutDisplay, RawShowsTheBytes) {
  const DriverRun run = RunDriver({"--raw", "getFinderControl"}, env_, dir_);
  EXPECT_EQ(run.exit_status, 0) << run.err;
  ASSERT_EQ(run.lines.size(), 3u) << run.out;
  EXPECT_EQ(run.lines[0], "getFinderControl -> success \"1\"");
  // The method name as a string, then null arguments.
  EXPECT_EQ(run.lines[1],
            "  sent:  07 10 67 65 74 46 69 6e 64 65 72 43 6f 6e 74 72 6f 6c "
            "00");
  EXPECT_EQ(run.lines[2], "  reply: 00 07 01 31");
}

TEST_F(DriverWithoutDisplay, PausesBetweenCalls) {
  const DriverRun run =
      RunScript("getFinderControl\ngetFinderControl\n", {"--pause-ms", "20"});
  EXPECT_EQ(run.exit_status, 0) << run.err;
  EXPECT_EQ(run.lines.size(), 2u);
}

TEST_F(DriverWithoutDisplay, UsageErrors) {
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{
           {},
           {"--pause-ms", "soon", "screenList"},
           {"--script", "x", "screenList"},
           {"--no-such-option"},
           {"--script", "/nonexistent/session.txt"},
           {"--plugin", "/nonexistent/libplugin.so", "screenList"},
       }) {
    const DriverRun run = RunDriver(args, env_, dir_);
    EXPECT_EQ(run.exit_status, 2) << run.err;
    EXPECT_TRUE(run.lines.empty()) << run.out;
    EXPECT_FALSE(run.err.empty());
  }
}

}  // namespace
}  // namespace testing
}  // namespace quorvel
