#ifndef QUORVEL_TESTS_SUPPORT_WAYLAND_CHILDREN_H_
#define QUORVEL_TESTS_SUPPORT_WAYLAND_CHILDREN_H_

#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

#include "support/scratch_dir.h"

namespace quorvel {
namespace testing {

// What the tests' headless Wayland sessions share: a private 0700 runtime
// directory, children started with an environment that sees only it and
// stopped by PID in reverse order, and the probe window (a native Wayland
// GTK window fullscreen on each monitor, logging what it receives).
class WaylandChildren {
 public:
  virtual ~WaylandChildren();
  WaylandChildren(const WaylandChildren&) = delete;
  WaylandChildren& operator=(const WaylandChildren&) = delete;

  // The probe window's lines so far.
  std::vector<std::string> WindowLines() const;
  // Runs this thread's main loop until `done` holds for the window's lines,
  // at most `timeout_ms`; true when it did.
  bool WaitForWindow(
      const std::function<bool(const std::vector<std::string>&)>& done,
      int timeout_ms = 20000) const;

  // Runs this thread's main loop until `done` holds, at most `timeout_ms`.
  static bool RunUntil(const std::function<bool()>& done, int timeout_ms);

 protected:
  WaylandChildren() = default;

  // Makes the runtime directory private (to `owner` when not -1) and
  // starts the children's environment from this process's, without any
  // display, runtime directory or bus of the real session.
  bool Prepare(uid_t owner, std::string* error);
  pid_t Spawn(const std::vector<std::string>& args, const std::string& log);
  // Starts the probe window on the compositor at `wayland_display` and
  // waits until each of `monitors` windows is drawn fullscreen.
  bool StartWindow(const std::string& wayland_display,
                   int monitors,
                   std::string* error);
  // Stops every child, last started first.
  void StopChildren();
  // Ends `pid` at once, as a crash would, and forgets it.
  void KillChild(pid_t pid);

  ScratchDir runtime_dir_;
  std::vector<std::string> env_;
  // In starting order; stopped in reverse.
  std::vector<pid_t> pids_;
};

// Polls `ready` until it holds or `pid` exits; false on exit or after a
// generous start timeout.
bool WaitUntil(pid_t pid, const std::function<bool()>& ready);
// `text` split at newlines.
std::vector<std::string> SplitLines(const std::string& text);

}  // namespace testing
}  // namespace quorvel

#endif  // QUORVEL_TESTS_SUPPORT_WAYLAND_CHILDREN_H_
