#ifndef QUORVEL_TESTS_SUPPORT_GNOME_SESSION_H_
#define QUORVEL_TESTS_SUPPORT_GNOME_SESSION_H_

#include <gio/gio.h>
#include <sys/types.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "support/system_bus.h"
#include "support/wayland_session.h"

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
class GnomeSession : public WaylandSession {
 public:
  using Options = GnomeSessionOptions;

  // nullptr when a piece could not be started; `error` then says why.
  static std::unique_ptr<GnomeSession> Start(const Options& options,
                                             std::string* error);
  ~GnomeSession() override;

  const std::string& session_bus_address() const { return session_address_; }
  const std::string& system_bus_address() const {
    return system_bus_->address();
  }

 private:
  GnomeSession() = default;
  bool StartSessionBus(std::string* error);

  std::unique_ptr<SystemBus> system_bus_;
  std::string session_address_;
};

}  // namespace testing
}  // namespace quorvel

#endif  // QUORVEL_TESTS_SUPPORT_GNOME_SESSION_H_
