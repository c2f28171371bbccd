#ifndef QUORVEL_BACKEND_COMMON_SESSION_PATH_H_
#define QUORVEL_BACKEND_COMMON_SESSION_PATH_H_

#include <string>

namespace quorvel {
namespace common {

// Escapes `label` the way logind (sd_bus_path_encode) turns a session id into
// one label of an object path: an ASCII letter stays, so does an ASCII digit
// that is not the first byte; every other byte becomes "_" and its two
// lower-case hex digits. The empty label is "_".
std::string EscapeObjectPathLabel(const std::string& label);

// The object path under which logind exports the session `session_id`.
std::string SessionObjectPath(const std::string& session_id);

}  // namespace common
}  // namespace quorvel

#endif  // QUORVEL_BACKEND_COMMON_SESSION_PATH_H_
