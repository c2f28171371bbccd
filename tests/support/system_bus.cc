#include "support/system_bus.h"

#include "support/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace quorvel {
namespace testing {
namespace {

// Guards against a server that never comes up, not a performance bound: the
// mock is a Python program, and two of them starting at once on a busy
// two-core machine take seconds.
constexpr int kStartTimeoutMs = 30000;
constexpr int kPollIntervalMs = 20;
constexpr int kCallTimeoutMs = 30000;

constexpr char kLogindName[] = "org.freedesktop.login1";
constexpr char kMockInterface[] = "org.freedesktop.DBus.Mock";
constexpr char kSessionInterface[] = "org.freedesktop.login1.Session";
// The Debian package python3-dbusmock is importable by the system Python
// only; a python3 earlier on PATH (pyenv, a venv) would not find it.
constexpr char kPython[] = "/usr/bin/python3";

constexpr char kBusConfig[] = R"(<!DOCTYPE busconfig PUBLIC
 "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <listen>unix:tmpdir=/tmp</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/>
    <allow own="*"/>
    <allow send_type="method_call"/>
    <allow send_destination="*"/>
    <allow receive_sender="*"/>
  </policy>
</busconfig>
)";

bool Exited(pid_t pid) {
  return waitpid(pid, nullptr, WNOHANG) == pid;
}

// Reads one line from `fd`, waiting at most kStartTimeoutMs in all.
std::string ReadLine(int fd) {
  std::string line;
  for (int waited = 0; waited < kStartTimeoutMs;) {
    pollfd entry = {fd, POLLIN, 0};
    int ready = poll(&entry, 1, kPollIntervalMs);
    if (ready == 0) {
      waited += kPollIntervalMs;
      continue;
    }
    char c;
    if (ready < 0 || read(fd, &c, 1) != 1) {
      if (ready < 0 && errno == EINTR) {
        continue;
      }
      break;
    }
    if (c == '\n') {
      return line;
    }
    line += c;
  }
  return {};
}

void SetError(std::string* error, const std::string& text) {
  if (error) {
    *error = text;
  }
}

GVariant* Call(GDBusConnection* connection,
               const std::string& destination,
               const std::string& path,
               const std::string& interface,
               const std::string& method,
               GVariant* parameters,
               const GVariantType* reply_type) {
  g_autoptr(GError) error = nullptr;
  GVariant* reply = g_dbus_connection_call_sync(
      connection, destination.c_str(), path.c_str(), interface.c_str(),
      method.c_str(), parameters, reply_type, G_DBUS_CALL_FLAGS_NONE,
      kCallTimeoutMs, nullptr, &error);
  if (!reply) {
    // A message, not a warning: the log guard would fail the test on it, and
    // the caller's assertion says more.
    g_message("%s.%s on %s: %s", interface.c_str(), method.c_str(),
              path.c_str(), error ? error->message : "no reply");
  }
  return reply;
}

}  // namespace

std::unique_ptr<SystemBus> SystemBus::Start(std::string* error) {
  std::unique_ptr<SystemBus> bus(new SystemBus());
  if (bus->dir_.path().empty()) {
    SetError(error, "cannot make a temporary directory");
    return nullptr;
  }
  std::string config = bus->dir_.File("bus.conf");
  if (!WriteFile(config, kBusConfig)) {
    SetError(error, "cannot write " + config);
    return nullptr;
  }
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) {
    SetError(error, "pipe failed");
    return nullptr;
  }
  ChildOptions child;
  child.log_path = bus->dir_.File("dbus-daemon.log");
  child.stdout_fd = fds[1];
  bus->pid_ = SpawnChild({"dbus-daemon", "--config-file=" + config, "--nofork",
                          "--nopidfile", "--print-address=1"},
                         child);
  close(fds[1]);
  // The address arrives once the daemon listens; EOF means it gave up.
  bus->address_ = bus->pid_ > 0 ? ReadLine(fds[0]) : "";
  close(fds[0]);
  if (bus->address_.empty()) {
    SetError(error, "dbus-daemon did not start: " +
                        ReadFile(bus->dir_.File("dbus-daemon.log")));
    return nullptr;
  }
  g_autoptr(GError) connect_error = nullptr;
  bus->connection_ = g_dbus_connection_new_for_address_sync(
      bus->address_.c_str(),
      static_cast<GDBusConnectionFlags>(
          G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
          G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
      nullptr, nullptr, &connect_error);
  if (!bus->connection_) {
    SetError(error, std::string("cannot connect to the test bus: ") +
                        (connect_error ? connect_error->message : ""));
    return nullptr;
  }
  return bus;
}

SystemBus::~SystemBus() {
  if (connection_) {
    g_dbus_connection_close_sync(connection_, nullptr, nullptr);
    g_object_unref(connection_);
  }
  StopChild(pid_);
}

bool SystemBus::NameHasOwner(const std::string& name) const {
  g_autoptr(GVariant) reply =
      Call(connection_, "org.freedesktop.DBus", "/org/freedesktop/DBus",
           "org.freedesktop.DBus", "NameHasOwner",
           g_variant_new("(s)", name.c_str()), G_VARIANT_TYPE("(b)"));
  gboolean owned = FALSE;
  if (reply) {
    g_variant_get(reply, "(b)", &owned);
  }
  return owned;
}

std::unique_ptr<LogindMock> LogindMock::Start(const SystemBus& bus,
                                              std::string* error) {
  std::unique_ptr<LogindMock> mock(new LogindMock(bus.connection()));
  if (mock->dir_.path().empty()) {
    SetError(error, "cannot make a temporary directory");
    return nullptr;
  }
  // The mock finds the bus through the environment, like logind itself.
  g_auto(GStrv) envp = g_get_environ();
  envp = g_environ_setenv(envp, "DBUS_SYSTEM_BUS_ADDRESS",
                          bus.address().c_str(), TRUE);
  std::string log = mock->dir_.File("logind.log");
  ChildOptions child;
  child.log_path = log;
  child.envp = envp;
  mock->pid_ = SpawnChild({kPython, "-m", "dbusmock", "--template", "logind",
                           "-l", mock->dir_.File("calls.log")},
                          child);
  if (mock->pid_ <= 0) {
    SetError(error, std::string("cannot start ") + kPython);
    return nullptr;
  }
  bool up = false;
  for (int waited = 0; waited < kStartTimeoutMs && !up;
       waited += kPollIntervalMs) {
    if (Exited(mock->pid_)) {
      mock->pid_ = -1;
      break;
    }
    up = bus.NameHasOwner(kLogindName);
    if (!up) {
      g_usleep(static_cast<gulong>(kPollIntervalMs) * 1000);
    }
  }
  if (!up) {
    SetError(error, "the logind mock did not start: " + ReadFile(log));
    return nullptr;
  }
  return mock;
}

LogindMock::~LogindMock() {
  // A paused mock would only take SIGKILL, after StopChild's grace period.
  Resume();
  StopChild(pid_);
}

bool LogindMock::Pause() {
  return pid_ > 0 && kill(pid_, SIGSTOP) == 0;
}

bool LogindMock::Resume() {
  return pid_ > 0 && kill(pid_, SIGCONT) == 0;
}

bool LogindMock::AddMethod(const std::string& path,
                           const std::string& interface,
                           const std::string& name,
                           const std::string& in_signature,
                           const std::string& out_signature,
                           const std::string& code) {
  g_autoptr(GVariant) reply = Call(
      connection_, kLogindName, path, kMockInterface, "AddMethod",
      g_variant_new("(sssss)", interface.c_str(), name.c_str(),
                    in_signature.c_str(), out_signature.c_str(), code.c_str()),
      nullptr);
  return reply != nullptr;
}

std::string LogindMock::AddSession(const std::string& label) {
  g_autoptr(GVariant) reply = Call(
      connection_, kLogindName, kManagerPath, kMockInterface, "AddSession",
      g_variant_new("(ssusb)", label.c_str(), "seat0", 1000u, "tester", TRUE),
      G_VARIANT_TYPE("(s)"));
  if (!reply) {
    return {};
  }
  const gchar* path = nullptr;
  g_variant_get(reply, "(&s)", &path);
  return path;
}

bool LogindMock::SetSessionByPid(const std::string& session_path) {
  std::string code =
      session_path.empty()
          ? "raise dbus.exceptions.DBusException("
            "'PID %d does not belong to any known session' % args[0], "
            "name='org.freedesktop.login1.NoSessionForPID')"
          : "ret = dbus.ObjectPath('" + session_path + "')";
  return AddMethod(kManagerPath, "org.freedesktop.login1.Manager",
                   "GetSessionByPID", "u", "o", code);
}

bool LogindMock::SetLockFails(const std::string& session_path, bool fails) {
  std::string code =
      fails ? "raise dbus.exceptions.DBusException('Access denied', "
              "name='org.freedesktop.DBus.Error.AccessDenied')"
            : "self.EmitSignal('', 'Lock', '', [])";
  return AddMethod(session_path, kSessionInterface, "Lock", "", "", code);
}

std::vector<std::string> LogindMock::Calls(const std::string& path,
                                           const std::string& method) const {
  std::vector<std::string> calls;
  g_autoptr(GVariant) reply =
      Call(connection_, kLogindName, path, kMockInterface, "GetMethodCalls",
           g_variant_new("(s)", method.c_str()), G_VARIANT_TYPE("(a(tav))"));
  if (!reply) {
    return calls;
  }
  g_autoptr(GVariant) list = g_variant_get_child_value(reply, 0);
  for (gsize i = 0; i < g_variant_n_children(list); i++) {
    g_autoptr(GVariant) call = g_variant_get_child_value(list, i);
    g_autoptr(GVariant) args = g_variant_get_child_value(call, 1);
    g_autofree gchar* text = g_variant_print(args, TRUE);
    calls.push_back(text);
  }
  return calls;
}

bool LogindMock::ClearCalls(const std::string& path) {
  g_autoptr(GVariant) reply =
      Call(connection_, kLogindName, path, kMockInterface, "ClearCalls",
           nullptr, nullptr);
  return reply != nullptr;
}

}  // namespace testing
}  // namespace quorvel
