#ifndef QUORVEL_TESTS_SUPPORT_SYSTEM_BUS_H_
#define QUORVEL_TESTS_SUPPORT_SYSTEM_BUS_H_

#include <gio/gio.h>
#include <sys/types.h>

#include <memory>
#include <string>
#include <vector>

#include "support/scratch_dir.h"

namespace quorvel {
namespace testing {

// A private dbus-daemon configured as a system bus (no service activation,
// everyone may own and call anything), child of this process. Point
// DBUS_SYSTEM_BUS_ADDRESS at `address()` to make code under test use it.
// Stopped by PID in the destructor: drop every connection of the code under
// test first, since GLib's shared system-bus connection ends the process
// when its bus goes away.
class SystemBus {
 public:
  // nullptr when the bus could not be started; `error` then says why.
  static std::unique_ptr<SystemBus> Start(std::string* error = nullptr);
  ~SystemBus();
  SystemBus(const SystemBus&) = delete;
  SystemBus& operator=(const SystemBus&) = delete;

  const std::string& address() const { return address_; }
  // The test's own connection, separate from the one GLib shares in the
  // process, so the code under test never sees it.
  GDBusConnection* connection() const { return connection_; }
  bool NameHasOwner(const std::string& name) const;

 private:
  SystemBus() = default;

  ScratchDir dir_;
  pid_t pid_ = -1;
  std::string address_;
  GDBusConnection* connection_ = nullptr;
};

// logind as python-dbusmock's stock template provides it, plus the manager
// method GetSessionByPID, on a SystemBus. Every call it receives is
// recorded per object path.
class LogindMock {
 public:
  static constexpr char kManagerPath[] = "/org/freedesktop/login1";

  // Starts the mock and waits until it owns its name; nullptr on failure.
  static std::unique_ptr<LogindMock> Start(const SystemBus& bus,
                                           std::string* error = nullptr);
  ~LogindMock();
  LogindMock(const LogindMock&) = delete;
  LogindMock& operator=(const LogindMock&) = delete;

  // Exports a session object under
  // "/org/freedesktop/login1/session/<label>"; returns the path, or empty.
  std::string AddSession(const std::string& label);

  // GetSessionByPID answers `session_path`; with an empty path it fails with
  // org.freedesktop.login1.NoSessionForPID instead.
  bool SetSessionByPid(const std::string& session_path);
  // Lock on `session_path` succeeds, or fails with AccessDenied.
  bool SetLockFails(const std::string& session_path, bool fails);

  // The arguments of each recorded call of `method` on `path`, each printed
  // as a GVariant array, e.g. "[<uint32 1234>]".
  std::vector<std::string> Calls(const std::string& path,
                                 const std::string& method) const;
  bool ClearCalls(const std::string& path);

  // Stops the mock's process, so that logind hangs: calls to it queue up on
  // the bus unanswered until Resume(), which answers them in order.
  bool Pause();
  bool Resume();

  // Adds or replaces a method of the object at `path`; `code` is the
  // Python body dbusmock runs for it (see dbusmock's AddMethod).
  bool AddMethod(const std::string& path,
                 const std::string& interface,
                 const std::string& name,
                 const std::string& in_signature,
                 const std::string& out_signature,
                 const std::string& code);

 private:
  explicit LogindMock(GDBusConnection* connection) : connection_(connection) {}

  GDBusConnection* connection_;  // the bus's; not owned
  ScratchDir dir_;
  pid_t pid_ = -1;
};

}  // namespace testing
}  // namespace quorvel

#endif  // QUORVEL_TESTS_SUPPORT_SYSTEM_BUS_H_
