#include "support/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

extern char** environ;

namespace quorvel {
namespace testing {
namespace {

// How long a server gets to exit after SIGTERM before it is killed.
constexpr auto kStopGrace = std::chrono::seconds(5);

}  // namespace

pid_t SpawnChild(const std::vector<std::string>& args,
                 const ChildOptions& options) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null",
                                   O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO,
                                   options.log_path.c_str(),
                                   O_WRONLY | O_CREAT | O_APPEND, 0600);
  if (options.stdout_fd >= 0) {
    posix_spawn_file_actions_adddup2(&actions, options.stdout_fd,
                                     STDOUT_FILENO);
  } else {
    posix_spawn_file_actions_adddup2(&actions, STDERR_FILENO, STDOUT_FILENO);
  }
  if (options.keep_fd >= 0) {
    // dup2 onto itself clears close-on-exec.
    posix_spawn_file_actions_adddup2(&actions, options.keep_fd,
                                     options.keep_fd);
  }
  // setpriv execs the program in place (same PID) with a parent-death
  // signal, so a test process that dies without running its destructors
  // (Xlib exits the process on a broken connection) takes its servers along.
  std::vector<std::string> command = {"setpriv", "--pdeathsig", "KILL"};
  command.insert(command.end(), args.begin(), args.end());
  std::vector<char*> argv;
  argv.reserve(command.size() + 1);
  for (const std::string& arg : command) {
    argv.push_back(const_cast<char*>(arg.c_str()));
  }
  argv.push_back(nullptr);
  pid_t pid = -1;
  int result = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(),
                            options.envp ? options.envp : environ);
  posix_spawn_file_actions_destroy(&actions);
  return result == 0 ? pid : -1;
}

void StopChild(pid_t pid) {
  if (pid <= 0) {
    return;
  }
  kill(pid, SIGTERM);
  const auto deadline = std::chrono::steady_clock::now() + kStopGrace;
  while (std::chrono::steady_clock::now() < deadline) {
    pid_t reaped = waitpid(pid, nullptr, WNOHANG);
    if (reaped == pid || (reaped < 0 && errno != EINTR)) {
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  kill(pid, SIGKILL);
  while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
  }
}

}  // namespace testing
}  // namespace quorvel
