#include "backend/common/session_lock.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "backend/backend.h"
#include "support/command_stub.h"
#include "support/environment.h"
#include "support/glib_log_guard.h"
#include "support/plugin_channel.h"
#include "support/reported_logs.h"
#include "support/scratch_dir.h"
#include "support/system_bus.h"

namespace quorvel {
namespace {

using testing::CommandStub;
using testing::LogCapture;
using testing::LogindMock;
using testing::PluginChannel;
using testing::Reply;
using testing::ReportedLogs;
using testing::ScopedEnv;
using testing::ScratchDir;
using testing::SystemBus;
using Runs = std::vector<std::vector<std::string>>;
// Lock calls per session label, for the sessions that got any.
using LockCallList = std::vector<std::pair<std::string, size_t>>;

constexpr char kManagerPath[] = "/org/freedesktop/login1";
constexpr char kSessionPrefix[] = "/org/freedesktop/login1/session/";
constexpr char kNoBusAddress[] =
    "unix:path=/nonexistent/quorvel-test/system_bus_socket";
const Runs kLoginctlLockSession = {{"loginctl", "lock-session"}};
// The limit the plugin gives each logind call before it falls back.
constexpr std::chrono::milliseconds kCallLimit{5000};
// Only guards against an attempt that never ends; not a performance bound.
constexpr gint64 kAttemptWaitLimitUs = 60 * G_USEC_PER_SEC;
constexpr gulong kPollIntervalUs = 5000;

// The labels under which the mock exports sessions: the one logind puts
// this process in, and those XDG_SESSION_ID names in the cases below.
const char* const kSessionLabels[] = {"c1", "_33", "c2", "_", "a_2fb_2dc"};

std::string SessionPath(const std::string& label) {
  return kSessionPrefix + label;
}

std::string PidArgs() {
  return "[<uint32 " + std::to_string(getpid()) + ">]";
}

std::string NoSessionMessage() {
  return "GetSessionByPID: GDBus.Error:org.freedesktop.login1.NoSessionForPID:"
         " PID " +
         std::to_string(getpid()) + " does not belong to any known session";
}

constexpr char kLockDeniedMessage[] =
    "Session.Lock: GDBus.Error:org.freedesktop.DBus.Error.AccessDenied: "
    "Access denied";
constexpr char kSessionTimeoutMessage[] =
    "GetSessionByPID: Timeout was reached";

// Runs the default main context, as the app's UI loop would, until `done`
// holds; false when it still does not after a generous wait.
bool RunLoopUntil(const std::function<bool()>& done) {
  const gint64 deadline = g_get_monotonic_time() + kAttemptWaitLimitUs;
  while (!done()) {
    if (g_get_monotonic_time() > deadline) {
      return false;
    }
    if (!g_main_context_iteration(nullptr, FALSE)) {
      g_usleep(kPollIntervalUs);
    }
  }
  return true;
}

bool AttemptsEnded() {
  return common::LockAttemptsInFlight() == 0;
}

// Starts a private system bus with a logind mock exporting every session
// of kSessionLabels.
bool StartLogind(std::unique_ptr<SystemBus>* bus,
                 std::unique_ptr<LogindMock>* logind,
                 std::string* error) {
  *bus = SystemBus::Start(error);
  if (!*bus) {
    return false;
  }
  *logind = LogindMock::Start(**bus, error);
  if (!*logind) {
    return false;
  }
  for (const char* label : kSessionLabels) {
    if ((*logind)->AddSession(label) != SessionPath(label)) {
      *error = std::string("cannot add the session ") + label;
      return false;
    }
  }
  return true;
}

// Locks against a private system bus with a logind mock; `loginctl` is a
// stub first on PATH, so nothing here can reach the machine's own session.
class SessionLockTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::string error;
    if (!StartLogind(&bus_, &logind_, &error)) {
      start_error_ = new std::string(error);
      logind_.reset();
      bus_.reset();
    }
  }

  static void TearDownTestSuite() {
    logind_.reset();
    bus_.reset();
    delete start_error_;
    start_error_ = nullptr;
  }

  void SetUp() override {
    ASSERT_TRUE(stub_.ok());
    ASSERT_EQ(common::LockAttemptsInFlight(), 0u);
    if (!bus_) {
      QUORVEL_SKIP_OR_FAIL(*start_error_);
    }
    system_bus_.emplace("DBUS_SYSTEM_BUS_ADDRESS", bus_->address());
    ASSERT_TRUE(logind_->SetSessionByPid(SessionPath("c1")));
    for (const char* label : kSessionLabels) {
      ASSERT_TRUE(logind_->SetLockFails(SessionPath(label), false));
      ASSERT_TRUE(logind_->ClearCalls(SessionPath(label)));
    }
    ASSERT_TRUE(logind_->ClearCalls(kManagerPath));
  }

  void TearDown() override {
    if (logind_) {
      logind_->Resume();
    }
    // An attempt left running would report into the next test.
    EXPECT_TRUE(RunLoopUntil(AttemptsEnded));
  }

  // Checks that the lock just asked for has only been started, then runs
  // the app's loop until the attempt has ended.
  void FinishStartedLock() {
    EXPECT_EQ(common::LockAttemptsInFlight(), 1u);
    EXPECT_EQ(LockCalls(), LockCallList{});
    EXPECT_EQ(stub_.Runs(), Runs{});
    ASSERT_TRUE(RunLoopUntil(AttemptsEnded)) << "the lock attempt never ended";
  }

  // `loginctl lock-session` ran once, started by this process itself: through
  // a shell, the shell would be its parent.
  void ExpectFallbackRanOnce() const {
    EXPECT_EQ(stub_.Runs(), kLoginctlLockSession);
    EXPECT_EQ(stub_.ParentPids(), std::vector<pid_t>{getpid()});
  }

  LockCallList LockCalls() const {
    LockCallList calls;
    for (const char* label : kSessionLabels) {
      size_t count = logind_->Calls(SessionPath(label), "Lock").size();
      if (count > 0) {
        calls.emplace_back(label, count);
      }
    }
    return calls;
  }

  static std::unique_ptr<SystemBus> bus_;
  static std::unique_ptr<LogindMock> logind_;
  static std::string* start_error_;

  // Set before anything could reach for the real system bus or loginctl.
  std::optional<ScopedEnv> system_bus_{std::in_place, "DBUS_SYSTEM_BUS_ADDRESS",
                                       kNoBusAddress};
  ScopedEnv session_bus_{"DBUS_SESSION_BUS_ADDRESS", kNoBusAddress};
  ScopedEnv session_id_{"XDG_SESSION_ID", std::nullopt};
  ScopedEnv display_{"DISPLAY", std::nullopt};
  ScratchDir stub_dir_;
  ScopedEnv path_{"PATH", stub_dir_.path() + ":/usr/bin:/bin"};
  CommandStub stub_{stub_dir_.path(), "loginctl"};
};

std::unique_ptr<SystemBus> SessionLockTest::bus_;
std::unique_ptr<LogindMock> SessionLockTest::logind_;
std::string* SessionLockTest::start_error_ = nullptr;

TEST_F(SessionLockTest, LocksTheSessionLogindNamesWithoutFallback) {
  LogCapture capture;
  EXPECT_TRUE(common::LockSession());
  FinishStartedLock();

  EXPECT_EQ(logind_->Calls(kManagerPath, "GetSessionByPID"),
            std::vector<std::string>{PidArgs()});
  EXPECT_EQ(LockCalls(), (LockCallList{{"c1", 1}}));
  EXPECT_EQ(ReportedLogs(capture), std::vector<std::string>{});
  EXPECT_EQ(stub_.Runs(), Runs{});
}

TEST_F(SessionLockTest, BackendLockScreenLocksThroughLogind) {
  std::unique_ptr<Backend> backend = CreateBackend();
  LogCapture capture;
  EXPECT_TRUE(backend->LockScreen());
  // The attempt goes on without the backend, as it must once the plugin
  // has been disposed.
  backend.reset();
  FinishStartedLock();

  EXPECT_EQ(logind_->Calls(kManagerPath, "GetSessionByPID").size(), 1u);
  EXPECT_EQ(LockCalls(), (LockCallList{{"c1", 1}}));
  EXPECT_EQ(ReportedLogs(capture), std::vector<std::string>{});
  EXPECT_EQ(stub_.Runs(), Runs{});
}

TEST_F(SessionLockTest, FailedLockFallsBackToLoginctlWhateverItsStatus) {
  // Set but not read: GetSessionByPID gave the session.
  ScopedEnv session_id("XDG_SESSION_ID", "c2");
  ASSERT_TRUE(logind_->SetLockFails(SessionPath("c1"), true));
  for (int status : {0, 1}) {
    SCOPED_TRACE(status);
    stub_.ClearRuns();
    stub_.SetExitStatus(status);
    ASSERT_TRUE(logind_->ClearCalls(SessionPath("c1")));
    LogCapture capture;

    EXPECT_TRUE(common::LockSession());
    FinishStartedLock();

    // The command's status is not reported either way.
    EXPECT_EQ(ReportedLogs(capture),
              std::vector<std::string>{kLockDeniedMessage});
    EXPECT_EQ(LockCalls(), (LockCallList{{"c1", 1}}));
    ExpectFallbackRanOnce();
  }
}

TEST_F(SessionLockTest, UnknownProcessWithoutSessionIdFallsBack) {
  ASSERT_TRUE(logind_->SetSessionByPid(""));
  for (int status : {0, 1}) {
    SCOPED_TRACE(status);
    stub_.ClearRuns();
    stub_.SetExitStatus(status);
    LogCapture capture;

    EXPECT_TRUE(common::LockSession());
    FinishStartedLock();

    EXPECT_EQ(ReportedLogs(capture),
              std::vector<std::string>{NoSessionMessage()});
    EXPECT_EQ(LockCalls(), LockCallList{});
    ExpectFallbackRanOnce();
  }
  EXPECT_EQ(logind_->Calls(kManagerPath, "GetSessionByPID"),
            (std::vector<std::string>{PidArgs(), PidArgs()}));
}

TEST_F(SessionLockTest, ReplyOfTheWrongTypeCountsAsFailure) {
  ASSERT_TRUE(logind_->AddMethod(kManagerPath, "org.freedesktop.login1.Manager",
                                 "GetSessionByPID", "u", "s",
                                 "ret = '/org/freedesktop/login1/session/c1'"));
  LogCapture capture;

  EXPECT_TRUE(common::LockSession());
  FinishStartedLock();

  std::vector<std::string> warnings = ReportedLogs(capture);
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_EQ(warnings[0].rfind("GetSessionByPID: ", 0), 0u) << warnings[0];
  EXPECT_NE(warnings[0].find("(o)"), std::string::npos) << warnings[0];
  EXPECT_EQ(logind_->Calls(kManagerPath, "GetSessionByPID").size(), 1u);
  EXPECT_EQ(LockCalls(), LockCallList{});
  ExpectFallbackRanOnce();
}

TEST_F(SessionLockTest, UnknownProcessLocksTheSessionItsIdNames) {
  struct Case {
    const char* session_id;
    const char* label;
  };
  // logind escapes the id into one object-path label.
  const Case cases[] = {
      {"3", "_33"},
      {"c2", "c2"},
      {"", "_"},
      {"a/b-c", "a_2fb_2dc"},
  };
  ASSERT_TRUE(logind_->SetSessionByPid(""));
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("XDG_SESSION_ID=\"") + c.session_id + "\"");
    for (const char* label : kSessionLabels) {
      ASSERT_TRUE(logind_->ClearCalls(SessionPath(label)));
    }
    ScopedEnv session_id("XDG_SESSION_ID", c.session_id);
    LogCapture capture;

    EXPECT_TRUE(common::LockSession());
    FinishStartedLock();

    // The one warning is GetSessionByPID's: no critical about a bad path.
    EXPECT_EQ(ReportedLogs(capture),
              std::vector<std::string>{NoSessionMessage()});
    EXPECT_EQ(LockCalls(), (LockCallList{{c.label, 1}}));
    EXPECT_EQ(stub_.Runs(), Runs{});
  }
}

TEST_F(SessionLockTest, UnknownProcessWhoseSessionRefusesFallsBack) {
  ASSERT_TRUE(logind_->SetSessionByPid(""));
  ASSERT_TRUE(logind_->SetLockFails(SessionPath("_33"), true));
  ScopedEnv session_id("XDG_SESSION_ID", "3");
  stub_.SetExitStatus(1);
  LogCapture capture;

  EXPECT_TRUE(common::LockSession());
  FinishStartedLock();

  EXPECT_EQ(ReportedLogs(capture),
            (std::vector<std::string>{NoSessionMessage(), kLockDeniedMessage}));
  EXPECT_EQ(LockCalls(), (LockCallList{{"_33", 1}}));
  ExpectFallbackRanOnce();
}

TEST_F(SessionLockTest, WithoutSystemBusOnlyTheFallbackRuns) {
  ScopedEnv no_bus("DBUS_SYSTEM_BUS_ADDRESS", kNoBusAddress);
  ScopedEnv session_id("XDG_SESSION_ID", "c2");
  for (int status : {0, 1}) {
    SCOPED_TRACE(status);
    stub_.ClearRuns();
    stub_.SetExitStatus(status);
    LogCapture capture;

    EXPECT_TRUE(common::LockSession());
    FinishStartedLock();

    std::vector<std::string> warnings = ReportedLogs(capture);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0].rfind("system bus: ", 0), 0u) << warnings[0];
    EXPECT_GT(warnings[0].size(), strlen("system bus: "));
    ExpectFallbackRanOnce();
  }
  EXPECT_EQ(logind_->Calls(kManagerPath, "GetSessionByPID"),
            std::vector<std::string>{});
  EXPECT_EQ(LockCalls(), LockCallList{});
}

// The channel drops the operation's answer: "lockScreen" replies null
// whether the lock succeeded or not.
TEST_F(SessionLockTest, LockScreenOverTheChannelLocksAndRepliesNull) {
  PluginChannel channel;
  LogCapture capture;
  Reply reply = channel.Invoke("lockScreen");
  FinishStartedLock();

  ASSERT_EQ(reply.kind, Reply::kSuccess);
  EXPECT_EQ(fl_value_get_type(reply.result.get()), FL_VALUE_TYPE_NULL);
  EXPECT_EQ(logind_->Calls(kManagerPath, "GetSessionByPID"),
            std::vector<std::string>{PidArgs()});
  EXPECT_EQ(LockCalls(), (LockCallList{{"c1", 1}}));
  EXPECT_EQ(ReportedLogs(capture), std::vector<std::string>{});
  EXPECT_EQ(stub_.Runs(), Runs{});
}

TEST_F(SessionLockTest, LockScreenOverTheChannelRepliesNullWhenAllFails) {
  ASSERT_TRUE(logind_->SetSessionByPid(""));
  stub_.SetExitStatus(1);
  PluginChannel channel;
  LogCapture capture;
  Reply reply = channel.Invoke("lockScreen");
  // The plugin goes away while its lock is still under way.
  channel.Shutdown();
  FinishStartedLock();

  ASSERT_EQ(reply.kind, Reply::kSuccess);
  EXPECT_EQ(fl_value_get_type(reply.result.get()), FL_VALUE_TYPE_NULL);
  EXPECT_EQ(ReportedLogs(capture),
            std::vector<std::string>{NoSessionMessage()});
  EXPECT_EQ(LockCalls(), LockCallList{});
  ExpectFallbackRanOnce();
}

// A hung logind costs the app nothing: lockScreen replies at once, and
// loginctl runs once GetSessionByPID has used up its limit.
TEST_F(SessionLockTest, LockScreenAgainstHungLogindFallsBackAfterTheLimit) {
  PluginChannel channel;
  LogCapture capture;
  ASSERT_TRUE(logind_->Pause());
  const auto start = std::chrono::steady_clock::now();
  Reply reply = channel.Invoke("lockScreen");

  EXPECT_EQ(stub_.Runs(), Runs{});
  ASSERT_EQ(reply.kind, Reply::kSuccess);
  EXPECT_EQ(fl_value_get_type(reply.result.get()), FL_VALUE_TYPE_NULL);
  ASSERT_TRUE(RunLoopUntil([this] { return !stub_.Runs().empty(); }));
  EXPECT_GE(std::chrono::steady_clock::now() - start, kCallLimit);
  ASSERT_TRUE(RunLoopUntil(AttemptsEnded));
  ASSERT_TRUE(logind_->Resume());

  EXPECT_EQ(ReportedLogs(capture),
            std::vector<std::string>{kSessionTimeoutMessage});
  // The call did reach logind, which answers it only now, too late.
  EXPECT_EQ(logind_->Calls(kManagerPath, "GetSessionByPID"),
            std::vector<std::string>{PidArgs()});
  EXPECT_EQ(LockCalls(), LockCallList{});
  ExpectFallbackRanOnce();
}

TEST_F(SessionLockTest, FallbackThatCannotStartIsReported) {
  ASSERT_TRUE(logind_->SetSessionByPid(""));
  ScratchDir empty_dir;
  ScopedEnv path("PATH", empty_dir.path());
  LogCapture capture;

  EXPECT_TRUE(common::LockSession());
  FinishStartedLock();

  std::vector<std::string> warnings = ReportedLogs(capture);
  ASSERT_EQ(warnings.size(), 2u);
  EXPECT_EQ(warnings[0], NoSessionMessage());
  EXPECT_EQ(warnings[1].rfind("loginctl: ", 0), 0u) << warnings[1];
  EXPECT_NE(warnings[1].find("No such file"), std::string::npos) << warnings[1];
  EXPECT_EQ(stub_.Runs(), Runs{});
}

// GLib's shared system-bus connection ends the process with SIGTERM when its
// bus goes away while someone holds it. Each lock must let go of it: then the
// process outlives its bus, and the next lock connects afresh to whatever
// DBUS_SYSTEM_BUS_ADDRESS names by then.
TEST_F(SessionLockTest, ReleasesTheBusSoItsEndIsHarmless) {
  for (int round = 0; round < 2; round++) {
    SCOPED_TRACE(round);
    std::unique_ptr<SystemBus> bus;
    std::unique_ptr<LogindMock> logind;
    std::string error;
    ASSERT_TRUE(StartLogind(&bus, &logind, &error)) << error;
    ASSERT_TRUE(logind->SetSessionByPid(SessionPath("c1")));
    ScopedEnv address("DBUS_SYSTEM_BUS_ADDRESS", bus->address());
    LogCapture capture;

    EXPECT_TRUE(common::LockSession());
    FinishStartedLock();

    // Had a connection to the previous round's bus survived, these calls
    // would have gone there, or the process would have been ended by now.
    EXPECT_EQ(logind->Calls(kManagerPath, "GetSessionByPID"),
              std::vector<std::string>{PidArgs()});
    EXPECT_EQ(logind->Calls(SessionPath("c1"), "Lock").size(), 1u);
    EXPECT_EQ(ReportedLogs(capture), std::vector<std::string>{});
    EXPECT_EQ(stub_.Runs(), Runs{});
    // Both stopped here, while this process goes on.
  }
}

}  // namespace
}  // namespace quorvel
