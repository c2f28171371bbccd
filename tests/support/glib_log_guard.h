#ifndef QUORVEL_TESTS_SUPPORT_GLIB_LOG_GUARD_H_
#define QUORVEL_TESTS_SUPPORT_GLIB_LOG_GUARD_H_

#include <glib.h>

#include <string>
#include <vector>

namespace quorvel {
namespace testing {

// One message that reached the GLib log.
struct LogRecord {
  std::string domain;  // empty for no log domain
  GLogLevelFlags level;
  std::string message;
};

// Installed by the test main for the whole run: every GLib warning or
// critical fails the running test unless a LogCapture is active, which
// collects them instead so the test can compare them as text.
class LogCapture {
 public:
  LogCapture();
  ~LogCapture();
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  const std::vector<LogRecord>& records() const { return records_; }
  // Messages at `level` (exact) with no log domain.
  std::vector<std::string> Messages(GLogLevelFlags level) const;
  void Clear() { records_.clear(); }

 private:
  friend void RecordLog(const LogRecord& record);
  std::vector<LogRecord> records_;
};

// Appends to the active capture; used by the log writer.
void RecordLog(const LogRecord& record);

// Installs the process-wide handlers; called once by the test main.
void InstallGLibLogGuard();

}  // namespace testing
}  // namespace quorvel

#endif  // QUORVEL_TESTS_SUPPORT_GLIB_LOG_GUARD_H_
