#ifndef QUORVEL_TESTS_SUPPORT_ENVIRONMENT_H_
#define QUORVEL_TESTS_SUPPORT_ENVIRONMENT_H_

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace quorvel {
namespace testing {

// Sets (or, with nullopt, unsets) one environment variable for the scope.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, std::optional<std::string> value) : name_(name) {
    if (const char* old = getenv(name)) {
      old_ = old;
    }
    if (value) {
      setenv(name, value->c_str(), 1);
    } else {
      unsetenv(name);
    }
  }
  ~ScopedEnv() {
    if (old_) {
      setenv(name_.c_str(), old_->c_str(), 1);
    } else {
      unsetenv(name_.c_str());
    }
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_;
  std::optional<std::string> old_;
};

// True under CI (CI=true), where every server a test needs must start.
inline bool RunningUnderCi() {
  const char* ci = getenv("CI");
  return ci && std::string(ci) == "true";
}

}  // namespace testing
}  // namespace quorvel

// Skips the test when a server it needs cannot be started on a developer's
// machine; under CI the same condition fails the test.
#define QUORVEL_SKIP_OR_FAIL(reason)               \
  do {                                             \
    if (::quorvel::testing::RunningUnderCi()) {    \
      FAIL() << "required under CI: " << (reason); \
    } else {                                       \
      GTEST_SKIP() << (reason);                    \
    }                                              \
  } while (0)

#endif  // QUORVEL_TESTS_SUPPORT_ENVIRONMENT_H_
