#include <glib.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "backend/backend.h"
#include "backend/common/desktop.h"
#include "support/command_stub.h"
#include "support/environment.h"
#include "support/glib_log_guard.h"
#include "support/plugin_channel.h"
#include "support/reported_logs.h"
#include "support/scratch_dir.h"

namespace quorvel {
namespace {

using testing::CommandStub;
using testing::LogCapture;
using testing::PluginChannel;
using testing::Reply;
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

// The string a method replies with, or a note saying what came instead.
std::string StringReply(const Reply& reply) {
  if (reply.kind != Reply::kSuccess || !reply.result ||
      fl_value_get_type(reply.result.get()) != FL_VALUE_TYPE_STRING) {
    return "<not a string reply>";
  }
  return fl_value_get_string(reply.result.get());
}

bool IsNullReply(const Reply& reply) {
  return reply.kind == Reply::kSuccess && reply.result &&
         fl_value_get_type(reply.result.get()) == FL_VALUE_TYPE_NULL;
}

class DesktopQueriesTest : public ::testing::Test {
 protected:
  ScopedEnv display_{"DISPLAY", std::nullopt};
};

TEST_F(DesktopQueriesTest, UsernameIsTheLoginNameOfTheProcess) {
  struct passwd record = {};
  struct passwd* entry = nullptr;
  char buffer[4096];
  ASSERT_EQ(getpwuid_r(getuid(), &record, buffer, sizeof(buffer), &entry), 0);
  ASSERT_NE(entry, nullptr);
  const std::string login = entry->pw_name;
  EXPECT_EQ(common::GetUsername(), login);
  EXPECT_EQ(CreateBackend()->GetUsername(), login);
  PluginChannel channel;
  EXPECT_EQ(StringReply(channel.Invoke("getUsername")), login);
}

TEST_F(DesktopQueriesTest, PlatformVersionNamesKernelReleaseAndMachine) {
  std::string expected = "Linux " + CommandOutput("uname -r") + " (" +
                         CommandOutput("uname -m") + ")";
  EXPECT_EQ(common::GetPlatformVersion(), expected);
  EXPECT_EQ(CreateBackend()->GetPlatformVersion(), expected);
  PluginChannel channel;
  EXPECT_EQ(StringReply(channel.Invoke("getPlatformVersion")), expected);
}

// `xdg-open` is a stub alone on PATH: nothing here opens a real window.
class OpenDirectoryTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(stub_.ok()); }

  // Starts one marked open and waits until the stub has logged it: an
  // earlier call that had started anything would have logged by then too.
  Runs RunsUpToMarker() {
    EXPECT_TRUE(common::OpenDirectory(kMarker));
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
  PluginChannel channel;
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
    Reply reply = channel.Invoke(
        "openDirectory",
        testing::Args({{"path", fl_value_new_string(path.c_str())}}));
    EXPECT_TRUE(IsNullReply(reply));
    ASSERT_TRUE(stub_.WaitForRuns(1));
    EXPECT_EQ(stub_.Runs(), (Runs{{"xdg-open", path}}));
    // The answer the channel drops: the opener started.
    stub_.ClearRuns();
    EXPECT_TRUE(common::OpenDirectory(path));
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
  PluginChannel channel;
  LogCapture capture;
  EXPECT_TRUE(IsNullReply(channel.Invoke(
      "openDirectory", testing::Args({{"path", fl_value_new_string("")}}))));
  // Without the argument the path is empty too.
  EXPECT_TRUE(IsNullReply(channel.Invoke("openDirectory")));
  EXPECT_FALSE(common::OpenDirectory(""));
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
  ScopedEnv display("DISPLAY", std::nullopt);
  const std::string directory = "/tmp/quorvel test";
  PluginChannel channel;
  LogCapture capture;

  EXPECT_FALSE(common::OpenDirectory(directory));
  EXPECT_TRUE(IsNullReply(channel.Invoke(
      "openDirectory",
      testing::Args({{"path", fl_value_new_string(directory.c_str())}}))));

  std::vector<std::string> warnings = ReportedLogs(capture);
  ASSERT_EQ(warnings.size(), 2u);
  const std::string prefix = "xdg-open '" + directory + "': ";
  for (const std::string& warning : warnings) {
    EXPECT_EQ(warning.rfind(prefix, 0), 0u) << warning;
    // GLib's own text follows, naming the program it could not start.
    EXPECT_NE(warning.find("xdg-open", prefix.size()), std::string::npos)
        << warning;
  }
}

}  // namespace
}  // namespace quorvel
