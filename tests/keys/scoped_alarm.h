#ifndef QUORVEL_TESTS_KEYS_SCOPED_ALARM_H_
#define QUORVEL_TESTS_KEYS_SCOPED_ALARM_H_

#include <signal.h>
#include <sys/time.h>

#include <atomic>
#include <chrono>

namespace quorvel {
namespace testing {

// Delivers one SIGALRM `after` from now to a no-op handler installed without
// SA_RESTART, so a nanosleep running at that moment fails with EINTR.
class ScopedAlarm {
 public:
  explicit ScopedAlarm(std::chrono::microseconds after) {
    alarms() = 0;
    struct sigaction action = {};
    action.sa_handler = [](int) { alarms().fetch_add(1); };
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    sigaction(SIGALRM, &action, &old_action_);
    itimerval timer = {};
    timer.it_value.tv_sec = static_cast<time_t>(after.count() / 1'000'000);
    timer.it_value.tv_usec =
        static_cast<suseconds_t>(after.count() % 1'000'000);
    setitimer(ITIMER_REAL, &timer, nullptr);
  }
  ~ScopedAlarm() {
    itimerval off = {};
    setitimer(ITIMER_REAL, &off, nullptr);
    sigaction(SIGALRM, &old_action_, nullptr);
  }
  ScopedAlarm(const ScopedAlarm&) = delete;
  ScopedAlarm& operator=(const ScopedAlarm&) = delete;

  // How many alarms the handler has seen.
  int delivered() const { return alarms().load(); }

 private:
  static std::atomic<int>& alarms() {
    static std::atomic<int> count{0};
    return count;
  }

  struct sigaction old_action_ = {};
};

}  // namespace testing
}  // namespace quorvel

#endif  // QUORVEL_TESTS_KEYS_SCOPED_ALARM_H_
