#ifndef QUORVEL_TESTS_HARDENING_HOSTILE_CASES_H_
#define QUORVEL_TESTS_HARDENING_HOSTILE_CASES_H_

#include <flutter_linux/flutter_linux.h>
#include <glib.h>

#include <string>
#include <vector>

#include "support/glib_log_guard.h"

namespace quorvel {
namespace testing {

// One hostile message body for a method: encoded bytes of a whole call.
struct HostileCase {
  std::string label;
  // Float arguments that read as -2^31; kept off "delta" where a display
  // would turn them into 2^31 wheel notches.
  bool has_huge_delta = false;
  // Beyond what the codec decodes: the channel answers with the empty reply.
  bool rejected = false;
  std::string (*encode)(const std::string& method);
};

// The table: every shape of argument the remote side could send that the
// app itself never would.
const std::vector<HostileCase>& HostileCases();

// The call encoded by the standard method codec; takes `args`.
std::string EncodeCall(const std::string& method, FlValue* args);

// The 32 method names in the dispatcher's order.
const std::vector<std::string>& MethodNames();

// What the GLib log may carry after hostile input: the warnings of a lock
// without a bus, of an opener that cannot start, and of undecodable
// messages. Anything else (a critical above all) is reported.
void ExpectOnlyKnownWarnings(const LogCapture& capture);

}  // namespace testing
}  // namespace quorvel

#endif  // QUORVEL_TESTS_HARDENING_HOSTILE_CASES_H_
