#ifndef QUORVEL_TESTS_SUPPORT_SWAY_SESSION_H_
#define QUORVEL_TESTS_SUPPORT_SWAY_SESSION_H_

#include <memory>
#include <string>

#include "support/wayland_children.h"

namespace quorvel {
namespace testing {

struct SwaySessionOptions {
  bool window = true;  // the probe window, one per output
};

// A headless sway (wlroots) session, children of this process, inside a
// private runtime directory: no GPU, no input devices, two outputs
// (HEADLESS-1 1280x720 at 0,0 and HEADLESS-2 1600x1200 at scale 2, so
// 800x600 logical, at 1280,200) and the probe window on each. sway refuses
// to run as root, so as root it runs as nobody. Stopped by PID.
class SwaySession : public WaylandChildren {
 public:
  using Options = SwaySessionOptions;

  // nullptr when a piece could not be started; `error` then says why.
  static std::unique_ptr<SwaySession> Start(const Options& options,
                                            std::string* error);
  ~SwaySession() override;

  const std::string& runtime_dir() const { return runtime_dir_.path(); }
  // The socket's name inside the runtime directory (WAYLAND_DISPLAY).
  const std::string& wayland_display() const { return wayland_display_; }

  // Runs `swaymsg` with `command`; true when sway accepted it.
  bool Command(const std::string& command) const;
  // Ends the compositor at once, as a crash would.
  void Kill();

 private:
  SwaySession() = default;

  std::string wayland_display_;
  std::string ipc_socket_;
  pid_t sway_ = -1;
};

}  // namespace testing
}  // namespace quorvel

#endif  // QUORVEL_TESTS_SUPPORT_SWAY_SESSION_H_
