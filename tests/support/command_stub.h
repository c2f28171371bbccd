#ifndef QUORVEL_TESTS_SUPPORT_COMMAND_STUB_H_
#define QUORVEL_TESTS_SUPPORT_COMMAND_STUB_H_

#include <sys/types.h>

#include <string>
#include <vector>

namespace quorvel {
namespace testing {

// A shell script named `name` in `dir` that stands in for a real command
// found on PATH: each run appends its own name and its arguments to a log and
// exits with the status set here (0 until changed). Put `dir` first on PATH.
class CommandStub {
 public:
  CommandStub(const std::string& dir, const std::string& name);
  CommandStub(const CommandStub&) = delete;
  CommandStub& operator=(const CommandStub&) = delete;

  // False when the script could not be written.
  bool ok() const { return ok_; }

  void SetExitStatus(int status);

  // One entry per run, in the order the runs wrote them: the name the
  // script was started under (its file name), then each argument verbatim.
  std::vector<std::vector<std::string>> Runs() const;

  // Polls the log until it holds at least `count` runs: commands started
  // asynchronously write theirs a little after the caller returns. Gives up
  // after a generous bound, which only guards against a run that never
  // comes; false then.
  bool WaitForRuns(size_t count) const;

  // The process that started each run, in the order of Runs(): a command
  // started through a shell names the shell here, not the caller.
  std::vector<pid_t> ParentPids() const;

  // Forgets the runs and their parents.
  void ClearRuns();

 private:
  std::string log_path_;
  std::string status_path_;
  std::string parents_path_;
  bool ok_ = false;
};

}  // namespace testing
}  // namespace quorvel

#endif  // QUORVEL_TESTS_SUPPORT_COMMAND_STUB_H_
