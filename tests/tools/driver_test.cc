// The driver executable, run as a user runs it, against the built plugin
// library on a machine without an X display.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <regex>
#include <string>
#include <vector>

#include "driver_run.h"
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
  const char* call;
  const char* line;  // a regular expression for the whole output line
};

TEST_F(DriverWithoutDisplay, AnswersAllThirtyTwoMethods) {
  const std::string cwd = "\"" + dir_ + "\"";
  const std::string open = "openDirectory path=" + cwd;
  const std::string open_line =
      "openDirectory \\{path: " + cwd + "\\} -> success null";
  const std::string cwd_line = "getCurrentDirectory -> success " + cwd;
  const Expected methods[] = {
      {"getPlatformVersion", "getPlatformVersion -> success \"Linux .+\""},
      {"getUsername", "getUsername -> success \".*\""},
      {"lockScreen", "lockScreen -> success null"},
      {"getPlatformTheme", "getPlatformTheme -> success (true|false)"},
      {"getPlatformThemePointer", "getPlatformThemePointer -> success 0"},
      {"getMouseCoords", "getMouseCoords -> success \"0:0\""},
      {"screenSize", "screenSize -> success \"0:0\""},
      {"screenList", "screenList -> success \\[\\]"},
      {"hideCursor", "hideCursor -> success null"},
      {"showCursor", "showCursor -> success null"},
      {"moveMouse x=100 y=200",
       "moveMouse \\{x: 100, y: 200\\} -> success null"},
      {"dragMouse x=110 y=-5", "dragMouse \\{x: 110, y: -5\\} -> success null"},
      {"wheelMouse x=0 y=0 delta=-3",
       "wheelMouse \\{x: 0, y: 0, delta: -3\\} -> success null"},
      {"moveMouseAndClick x=10 y=20 type=Down button=Right",
       "moveMouseAndClick \\{x: 10, y: 20, type: \"Down\", button: "
       "\"Right\"\\} -> success null"},
      {"doubleClick x=10.5 y=20",
       "doubleClick \\{x: 10.5, y: 20\\} -> success null"},
      {"keyboardClick key=0x24 type=Down",
       "keyboardClick \\{key: 36, type: \"Down\"\\} -> success null"},
      {"keyboardClickShiftPressed key=0",
       "keyboardClickShiftPressed \\{key: 0\\} -> success null"},
      {"keyboardClickCommandPressed key=0",
       "keyboardClickCommandPressed \\{key: 0\\} -> success null"},
      {"keyboardPress char=è",
       "keyboardPress \\{char: \"è\"\\} -> success false"},
      {open.c_str(), open_line.c_str()},
      {"getCurrentDirectory", cwd_line.c_str()},
      {"startCmdTabInterception", "startCmdTabInterception -> success false"},
      {"stopCmdTabInterception", "stopCmdTabInterception -> success false"},
      {"hasScreenAccess", "hasScreenAccess -> success true"},
      {"hasAXIsProcessTrusted", "hasAXIsProcessTrusted -> success true"},
      {"hasFullAccessDisk", "hasFullAccessDisk -> success false"},
      {"setScreenAccess", "setScreenAccess -> success null"},
      {"setFullAccessDisk", "setFullAccessDisk -> success null"},
      {"setAXIsProcessTrusted", "setAXIsProcessTrusted -> success null"},
      {"setFinderControl", "setFinderControl -> success null"},
      {"getFinderControl", "getFinderControl -> success \"1\""},
      {"getMousePath", "getMousePath -> success null"},
  };
  std::string script = "# every method once\n";
  for (const Expected& method : methods) {
    script += std::string(method.call) + "\n";
  }

  const DriverRun run = RunScript(script);

  EXPECT_EQ(run.exit_status, 0) << run.err;
  ASSERT_EQ(run.lines.size(), std::size(methods)) << run.out;
  for (size_t i = 0; i < std::size(methods); ++i) {
    EXPECT_TRUE(std::regex_match(run.lines[i], std::regex(methods[i].line)))
        << run.lines[i] << "\n  does not match " << methods[i].line;
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
