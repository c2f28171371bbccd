#ifndef QUORVEL_TESTS_SUPPORT_GNOME_SESSION_H_
#define QUORVEL_TESTS_SUPPORT_GNOME_SESSION_H_

#include <gio/gio.h>
#include <sys/types.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "support/scratch_dir.h"
#include "support/system_bus.h"

namespace quorvel {
namespace testing {

struct GnomeSessionOptions {
  // The layout the fake locale1 states, which mutter builds its keymap from.
  std::string layout = "us";
  std::string variant;
  bool pipewire = true;  // without it mutter refuses remote desktop
  bool mutter = true;    // false: the buses alone
  bool window = true;    // the probe window, one per monitor
};

// A headless GNOME Wayland session, children of this process, inside a
// private 0700 runtime directory: a session bus, a "system" bus with a fake
// org.freedesktop.locale1, pipewire, mutter with two virtual monitors side
// by side (1280x1024 and 1024x768) and a native Wayland GTK window
// fullscreen on each monitor that logs what it receives. Nothing reaches
// the real session. Stopped by PID in the destructor.
class GnomeSession {
 public:
  using Options = GnomeSessionOptions;

  // nullptr when a piece could not be started; `error` then says why.
  static std::unique_ptr<GnomeSession> Start(const Options& options,
                                             std::string* error);
  ~GnomeSession();
  GnomeSession(const GnomeSession&) = delete;
  GnomeSession& operator=(const GnomeSession&) = delete;

  const std::string& session_bus_address() const { return session_address_; }
  const std::string& system_bus_address() const {
    return system_bus_->address();
  }

  // The probe window's lines so far.
  std::vector<std::string> WindowLines() const;
  // Runs this thread's main loop until `done` holds for the window's lines,
  // at most `timeout_ms`; true when it did.
  bool WaitForWindow(
      const std::function<bool(const std::vector<std::string>&)>& done,
      int timeout_ms = 20000) const;

  // Runs this thread's main loop until `done` holds, at most `timeout_ms`.
  static bool RunUntil(const std::function<bool()>& done, int timeout_ms);

 private:
  GnomeSession() = default;
  bool StartSessionBus(std::string* error);
  pid_t Spawn(const std::vector<std::string>& args, const std::string& log);

  ScratchDir runtime_dir_;
  std::unique_ptr<SystemBus> system_bus_;
  std::string session_address_;
  std::vector<std::string> env_;
  // In starting order; stopped in reverse.
  std::vector<pid_t> pids_;
};

}  // namespace testing
}  // namespace quorvel

#endif  // QUORVEL_TESTS_SUPPORT_GNOME_SESSION_H_
