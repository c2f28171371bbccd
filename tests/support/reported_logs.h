#ifndef QUORVEL_TESTS_SUPPORT_REPORTED_LOGS_H_
#define QUORVEL_TESTS_SUPPORT_REPORTED_LOGS_H_

#include <glib.h>

#include <string>
#include <vector>

#include "support/glib_log_guard.h"

namespace quorvel {
namespace testing {

// What reached the GLib log at message level or above, in order, as text to
// compare: a warning without log domain (how the plugin reports) as its bare
// message, anything else prefixed with its domain and level so that it shows
// up in a comparison. GLib's own debug and info chatter (GDBus
// authentication, module loading) is left out.
inline std::vector<std::string> ReportedLogs(const LogCapture& capture) {
  std::vector<std::string> reported;
  for (const LogRecord& record : capture.records()) {
    if (!(record.level & (G_LOG_LEVEL_ERROR | G_LOG_LEVEL_CRITICAL |
                          G_LOG_LEVEL_WARNING | G_LOG_LEVEL_MESSAGE))) {
      continue;
    }
    if (record.level == G_LOG_LEVEL_WARNING && record.domain.empty()) {
      reported.push_back(record.message);
    } else {
      reported.push_back("[" + record.domain + "] level " +
                         std::to_string(record.level) + ": " + record.message);
    }
  }
  return reported;
}

}  // namespace testing
}  // namespace quorvel

#endif  // QUORVEL_TESTS_SUPPORT_REPORTED_LOGS_H_
