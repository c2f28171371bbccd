#ifndef QUORVEL_TESTS_SUPPORT_CHILD_PROCESS_H_
#define QUORVEL_TESTS_SUPPORT_CHILD_PROCESS_H_

#include <sys/types.h>

#include <string>
#include <vector>

namespace quorvel {
namespace testing {

// How a server the tests need is started.
struct ChildOptions {
  // Receives the child's stderr, and its stdout unless stdout_fd is set.
  std::string log_path;
  int stdout_fd = -1;
  // A descriptor the child keeps under the same number (e.g. -displayfd).
  int keep_fd = -1;
  // The child's environment; null for this process's own.
  char** envp = nullptr;
};

// Starts `args` (searched on PATH) with stdin from /dev/null, tied to this
// process by a parent-death signal. Returns its PID, or -1.
pid_t SpawnChild(const std::vector<std::string>& args,
                 const ChildOptions& options);

// SIGTERM, a grace period, then SIGKILL; always reaps the child.
void StopChild(pid_t pid);

}  // namespace testing
}  // namespace quorvel

#endif  // QUORVEL_TESTS_SUPPORT_CHILD_PROCESS_H_
