#include "support/sway_session.h"

#include <glib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <vector>

#include "support/child_process.h"

namespace quorvel {
namespace testing {
namespace {

// Who sway runs as when the tests run as root: it refuses root.
constexpr uid_t kUnprivileged = 65534;

// xwayland off: sway 1.7 would open an X socket in /tmp. No background
// client. The second output does not exist at start; `create_output` makes
// it and sway applies its line.
constexpr char kConfig[] = R"(xwayland disable
swaybg_command -
output HEADLESS-1 mode 1280x720 position 0 0 scale 1
output HEADLESS-2 mode 1600x1200 position 1280 200 scale 2
default_border none
focus_follows_mouse no
)";

// The first entry of `dir` whose name starts with `prefix` and does not
// end in `.lock`, or empty.
std::string FindEntry(const std::string& dir, const std::string& prefix) {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(dir, error)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind(prefix, 0) == 0 &&
        (name.size() < 5 || name.compare(name.size() - 5, 5, ".lock") != 0)) {
      return name;
    }
  }
  return {};
}

}  // namespace

std::unique_ptr<SwaySession> SwaySession::Start(const Options& options,
                                                std::string* error) {
  std::unique_ptr<SwaySession> session(new SwaySession());
  const bool root = geteuid() == 0;
  if (!session->Prepare(root ? kUnprivileged : static_cast<uid_t>(-1), error)) {
    return nullptr;
  }
  const std::string& runtime = session->runtime_dir();
  const std::string config = session->runtime_dir_.File("sway.conf");
  const std::string home = session->runtime_dir_.File("home");
  if (!WriteFile(config, kConfig) || mkdir(home.c_str(), 0700) != 0 ||
      (root && (chown(home.c_str(), kUnprivileged, kUnprivileged) != 0 ||
                chown(config.c_str(), kUnprivileged, kUnprivileged) != 0))) {
    *error = "cannot write sway's config";
    return nullptr;
  }
  session->env_.push_back("HOME=" + home);
  std::vector<std::string> args;
  if (root) {
    // The parent-death signal again: changing the user clears it.
    args = {"setpriv",        "--reuid=65534", "--regid=65534",
            "--clear-groups", "--pdeathsig",   "KILL"};
  }
  args.insert(args.end(),
              {"env", "WLR_BACKENDS=headless", "WLR_RENDERER=pixman",
               "WLR_LIBINPUT_NO_DEVICES=1", "sway", "-c", config});
  session->sway_ = session->Spawn(args, "sway.log");
  if (!WaitUntil(session->sway_, [&] {
        session->ipc_socket_ = FindEntry(runtime, "sway-ipc.");
        session->wayland_display_ = FindEntry(runtime, "wayland-");
        return !session->ipc_socket_.empty() &&
               !session->wayland_display_.empty() &&
               session->Command("create_output");
      })) {
    *error = "sway did not start: " +
             ReadFile(session->runtime_dir_.File("sway.log"));
    return nullptr;
  }
  if (options.window &&
      !session->StartWindow(session->wayland_display_, 2, error)) {
    return nullptr;
  }
  return session;
}

SwaySession::~SwaySession() {
  StopChildren();
}

bool SwaySession::Command(const std::string& command) const {
  if (ipc_socket_.empty()) {
    return false;
  }
  const std::string socket = runtime_dir_.File(ipc_socket_);
  std::vector<char*> argv = {const_cast<char*>("swaymsg"),
                             const_cast<char*>("-s"),
                             const_cast<char*>(socket.c_str()),
                             const_cast<char*>(command.c_str()), nullptr};
  gint status = -1;
  const gboolean ran =
      g_spawn_sync(nullptr, argv.data(), nullptr,
                   static_cast<GSpawnFlags>(G_SPAWN_SEARCH_PATH |
                                            G_SPAWN_STDOUT_TO_DEV_NULL |
                                            G_SPAWN_STDERR_TO_DEV_NULL),
                   nullptr, nullptr, nullptr, nullptr, &status, nullptr);
  return ran && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void SwaySession::Kill() {
  KillChild(sway_);
  sway_ = -1;
}

}  // namespace testing
}  // namespace quorvel
