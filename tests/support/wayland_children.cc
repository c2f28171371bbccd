#include "support/wayland_children.h"

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <glib.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <sstream>

#include "support/child_process.h"

extern char** environ;

namespace quorvel {
namespace testing {
namespace {

// Guards against a piece that never comes up, not a performance bound:
// compositors start in about a second here, far slower on a loaded machine.
constexpr int kStartTimeoutMs = 30000;
constexpr int kPollIntervalMs = 20;

bool Running(pid_t pid) {
  return pid > 0 && waitpid(pid, nullptr, WNOHANG) == 0;
}

}  // namespace

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) {
    lines.push_back(line);
  }
  return lines;
}

bool WaitUntil(pid_t pid, const std::function<bool()>& ready) {
  for (int waited = 0; waited < kStartTimeoutMs; waited += kPollIntervalMs) {
    if (ready()) {
      return true;
    }
    if (!Running(pid)) {
      return false;
    }
    g_usleep(kPollIntervalMs * 1000);
  }
  return false;
}

WaylandChildren::~WaylandChildren() {
  StopChildren();
}

bool WaylandChildren::Prepare(uid_t owner, std::string* error) {
  const std::string& runtime = runtime_dir_.path();
  if (runtime.empty() || chmod(runtime.c_str(), 0700) != 0 ||
      (owner != static_cast<uid_t>(-1) &&
       chown(runtime.c_str(), owner, owner) != 0)) {
    *error = "cannot make a private runtime directory";
    return false;
  }
  for (char** entry = environ; *entry; ++entry) {
    const std::string variable = *entry;
    const std::string name = variable.substr(0, variable.find('='));
    if (name != "DISPLAY" && name != "WAYLAND_DISPLAY" &&
        name != "XDG_RUNTIME_DIR" && name.rfind("DBUS_", 0) != 0 &&
        name != "XAUTHORITY" && name != "SWAYSOCK") {
      env_.push_back(variable);
    }
  }
  env_.push_back("XDG_RUNTIME_DIR=" + runtime);
  env_.push_back("NO_AT_BRIDGE=1");
  return true;
}

pid_t WaylandChildren::Spawn(const std::vector<std::string>& args,
                             const std::string& log) {
  std::vector<char*> envp;
  for (std::string& entry : env_) {
    envp.push_back(entry.data());
  }
  envp.push_back(nullptr);
  ChildOptions child;
  child.log_path = runtime_dir_.File(log);
  child.envp = envp.data();
  const pid_t pid = SpawnChild(args, child);
  if (pid > 0) {
    pids_.push_back(pid);
  }
  return pid;
}

bool WaylandChildren::StartWindow(const std::string& wayland_display,
                                  int monitors,
                                  std::string* error) {
  env_.push_back("WAYLAND_DISPLAY=" + wayland_display);
  env_.push_back("GDK_BACKEND=wayland");
  const pid_t window = Spawn({QUORVEL_PROBE_WINDOW}, "window.log");
  if (!WaitUntil(window, [&] {
        std::vector<std::string> lines = WindowLines();
        return std::count_if(lines.begin(), lines.end(), [](const auto& l) {
                 return l.rfind("READY", 0) == 0;
               }) == monitors;
      })) {
    *error = "the probe window did not appear: " +
             ReadFile(runtime_dir_.File("window.log"));
    return false;
  }
  return true;
}

void WaylandChildren::StopChildren() {
  for (auto it = pids_.rbegin(); it != pids_.rend(); ++it) {
    StopChild(*it);
  }
  pids_.clear();
}

void WaylandChildren::KillChild(pid_t pid) {
  if (pid <= 0) {
    return;
  }
  kill(pid, SIGKILL);
  while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
  }
  pids_.erase(std::remove(pids_.begin(), pids_.end(), pid), pids_.end());
}

std::vector<std::string> WaylandChildren::WindowLines() const {
  return SplitLines(ReadFile(runtime_dir_.File("window.log")));
}

bool WaylandChildren::WaitForWindow(
    const std::function<bool(const std::vector<std::string>&)>& done,
    int timeout_ms) const {
  return RunUntil([&] { return done(WindowLines()); }, timeout_ms);
}

bool WaylandChildren::RunUntil(const std::function<bool()>& done,
                               int timeout_ms) {
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) {
      return false;
    }
    while (g_main_context_iteration(nullptr, FALSE)) {
    }
    g_usleep(5000);
  }
  return true;
}

}  // namespace testing
}  // namespace quorvel
