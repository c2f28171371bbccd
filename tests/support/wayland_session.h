#ifndef QUORVEL_TESTS_SUPPORT_WAYLAND_SESSION_H_
#define QUORVEL_TESTS_SUPPORT_WAYLAND_SESSION_H_

#include <gio/gio.h>
#include <sys/types.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "support/system_bus.h"
#include "support/wayland_children.h"

namespace quorvel {
namespace testing {

enum class Compositor {
  kNone,      // the buses alone
  kMutter,    // GNOME: mutter with two virtual monitors, 1280x1024 and 1024x768
  kKwin,      // KDE Plasma 6: KWin with two virtual outputs of 1280x1024 and
              // Xwayland beside it, as a Plasma session has it
  kFakeKwin,  // a stand-in owning KWin's EIS endpoint that refuses every
              // connection
};

struct WaylandSessionOptions {
  Compositor compositor = Compositor::kMutter;
  // The keyboard layouts: mutter's, from the fake locale1; KWin's, from
  // kxkbrc, where comma-separated lists give several ("us,ru").
  std::string layout = "us";
  std::string variant;
  bool pipewire = true;  // mutter: without it mutter refuses remote desktop
  bool window = true;    // the probe window, one per monitor
};

// A headless Wayland session with D-Bus, children of this process, inside a
// private 0700 runtime directory: a session bus, a "system" bus, the
// compositor, and a native Wayland GTK window fullscreen on each monitor that
// logs what it receives. Mutter comes with a fake org.freedesktop.locale1 and
// pipewire. Nothing reaches the real session. Stopped by PID in the
// destructor.
class WaylandSession : public WaylandChildren {
 public:
  using Options = WaylandSessionOptions;

  // nullptr when a piece could not be started; `error` then says why.
  static std::unique_ptr<WaylandSession> Start(const Options& options,
                                               std::string* error);
  ~WaylandSession() override;

  const std::string& session_bus_address() const { return session_address_; }
  const std::string& system_bus_address() const {
    return system_bus_->address();
  }
  // KWin's Xwayland (":1") and its authority file, or empty.
  const std::string& x_display() const { return x_display_; }
  const std::string& x_authority() const { return x_authority_; }

  // A log of one of the session's pieces ("kwin.log", "mutter.log").
  std::string Log(const std::string& name) const;
  // Ends the compositor at once, as a crash would.
  void KillCompositor();

 private:
  WaylandSession() = default;
  bool StartSessionBus(std::string* error);
  bool StartMutter(const Options& options, std::string* error);
  bool StartKwin(const Options& options, std::string* error);
  bool StartFakeKwin(std::string* error);

  std::unique_ptr<SystemBus> system_bus_;
  std::string session_address_;
  std::string x_display_;
  std::string x_authority_;
  pid_t compositor_ = -1;
};

}  // namespace testing
}  // namespace quorvel

#endif  // QUORVEL_TESTS_SUPPORT_WAYLAND_SESSION_H_
