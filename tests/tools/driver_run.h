#ifndef QUORVEL_TESTS_TOOLS_DRIVER_RUN_H_
#define QUORVEL_TESTS_TOOLS_DRIVER_RUN_H_

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace quorvel {
namespace testing {

// What one run of the driver executable left behind.
struct DriverRun {
  int exit_status = -1;  // -1 when it did not exit normally
  std::string out;
  std::string err;
  std::vector<std::string> lines;  // `out` split at newlines
};

// An environment change for the run: a value to set, or nullopt to unset.
using EnvChange = std::pair<std::string, std::optional<std::string>>;

// Runs the built driver (which loads the built plugin library) with
// `args`, in `dir`, with this process's environment changed by `env`.
DriverRun RunDriver(const std::vector<std::string>& args,
                    const std::vector<EnvChange>& env,
                    const std::string& dir);

// The same through /bin/sh, with `input_file` as standard input.
DriverRun RunDriverWithInput(const std::vector<std::string>& args,
                             const std::vector<EnvChange>& env,
                             const std::string& dir,
                             const std::string& input_file);

}  // namespace testing
}  // namespace quorvel

#endif  // QUORVEL_TESTS_TOOLS_DRIVER_RUN_H_
