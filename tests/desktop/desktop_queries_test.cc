#include <glib.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "backend/backend.h"
#include "backend/x11/desktop.h"
#include "support/command_stub.h"
#include "support/environment.h"
#include "support/glib_log_guard.h"
#include "support/reported_logs.h"
#include "support/scratch_dir.h"

namespace quorvel {
namespace {

using testing::CommandStub;
using testing::LogCapture;
using testing::ReportedLogs;
using testing::ScopedEnv;
using testing::ScratchDir;
using Runs = std::vector<std::vector<std::string>>;

// Runs `command_line` and returns its output without the final newline.
std::string CommandOutput(const char* command_line) {
  g_autofree gchar* out = nullptr;
  gint status = 0;
  EXPECT_TRUE(
      g_spawn_command_line_sync(command_line, &out, nullptr, &status, nullptr));
  EXPECT_TRUE(g_spawn_check_wait_status(status, nullptr)) << command_line;
  std::string text = out ? out : "";
  if (!text.empty() && text.back() == '\n') {
    text.pop_back();
  }
  return text;
}

TEST(DesktopQueriesTest, UsernameIsTheLoginNameOfTheProcess) {
  struct passwd* entry = getpwuid(getuid());
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(x11::GetUsername(), entry->pw_name);
  EXPECT_EQ(CreateBackend()->GetUsername(), entry->pw_name);
}

TEST(DesktopQueriesTest, PlatformVersionNamesKernelReleaseAndMachine) {
  std::string expected = "Linux " + CommandOutput("uname -r") + " (" +
                         CommandOutput("uname -m") + ")";
  EXPECT_EQ(x11::GetPlatformVersion(), expected);
  EXPECT_EQ(CreateBackend()->GetPlatformVersion(), expected);
}

// `xdg-open` is a stub alone on PATH: nothing here opens a real window.
class OpenDirectoryTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(stub_.ok()); }

  // Starts one marked open and waits until the stub has logged it: an
  // earlier call that had started anything would have logged by then too.
  Runs RunsUpToMarker() {
    EXPECT_TRUE(x11::OpenDirectory(kMarker));
    EXPECT_TRUE(stub_.WaitForRuns(1));
    return stub_.Runs();
  }

  static constexpr char kMarker[] = "/quorvel-test/marker";

  ScopedEnv display_{"DISPLAY", std::nullopt};
  ScopedEnv session_bus_{"DBUS_SESSION_BUS_ADDRESS",
                         "unix:path=/nonexistent/quorvel-test/bus"};
  ScratchDir stub_dir_;
  ScopedEnv path_{"PATH", stub_dir_.path()};
  CommandStub stub_{stub_dir_.path(), "xdg-open"};
};

TEST_F(OpenDirectoryTest, HandsThePathUnchangedToXdgOpen) {
  const std::string paths[] = {
      stub_dir_.path(),
      "/tmp/a directory with  spaces/",
      "-leading-dash",
      "--help",
      "https://example.org/a?b=c&d=e f",
      "/nonexistent/quorvel-test/directory",
      "it's \"quoted\" $HOME `x` *",
  };
  for (const std::string& path : paths) {
    SCOPED_TRACE(path);
    stub_.ClearRuns();
    EXPECT_TRUE(x11::OpenDirectory(path));
    ASSERT_TRUE(stub_.WaitForRuns(1));
    EXPECT_EQ(stub_.Runs(), (Runs{{"xdg-open", path}}));
  }
}

TEST_F(OpenDirectoryTest, BackendOpenDirectoryStartsXdgOpen) {
  std::unique_ptr<Backend> backend = CreateBackend();
  EXPECT_TRUE(backend->OpenDirectory("/tmp"));
  ASSERT_TRUE(stub_.WaitForRuns(1));
  EXPECT_EQ(stub_.Runs(), (Runs{{"xdg-open", "/tmp"}}));
}

TEST_F(OpenDirectoryTest, EmptyPathStartsNothing) {
  LogCapture capture;
  EXPECT_FALSE(x11::OpenDirectory(""));
  EXPECT_EQ(RunsUpToMarker(), (Runs{{"xdg-open", kMarker}}));
  EXPECT_EQ(ReportedLogs(capture), std::vector<std::string>{});
}

TEST_F(OpenDirectoryTest, PathWithNulStartsNothing) {
  std::unique_ptr<Backend> backend = CreateBackend();
  LogCapture capture;
  EXPECT_FALSE(backend->OpenDirectory(std::string("/tmp\0/etc", 9)));
  EXPECT_FALSE(backend->OpenDirectory(std::string("\0", 1)));
  EXPECT_EQ(RunsUpToMarker(), (Runs{{"xdg-open", kMarker}}));
  EXPECT_EQ(ReportedLogs(capture), std::vector<std::string>{});
}

TEST(OpenDirectoryWithoutXdgOpenTest, LogsAndReportsTheFailedStart) {
  ScratchDir empty_dir;
  ScopedEnv path("PATH", empty_dir.path());
  const std::string directory = "/tmp/quorvel test";
  LogCapture capture;

  EXPECT_FALSE(x11::OpenDirectory(directory));

  std::vector<std::string> warnings = ReportedLogs(capture);
  ASSERT_EQ(warnings.size(), 1u);
  const std::string prefix = "xdg-open '" + directory + "': ";
  EXPECT_EQ(warnings[0].rfind(prefix, 0), 0u) << warnings[0];
  // GIO's own text follows, naming the program it could not start.
  EXPECT_NE(warnings[0].find("xdg-open", prefix.size()), std::string::npos)
      << warnings[0];
}

}  // namespace
}  // namespace quorvel
