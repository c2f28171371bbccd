#include "backend/common/session_path.h"

namespace quorvel {
namespace common {
namespace {

constexpr char kSessionPathPrefix[] = "/org/freedesktop/login1/session/";

bool IsAsciiLetter(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsAsciiDigit(unsigned char c) {
  return c >= '0' && c <= '9';
}

}  // namespace

std::string EscapeObjectPathLabel(const std::string& label) {
  // A label may not be empty, so logind spells the empty id as a lone "_".
  if (label.empty()) {
    return "_";
  }
  constexpr char kHexDigits[] = "0123456789abcdef";
  std::string escaped;
  for (size_t i = 0; i < label.size(); i++) {
    unsigned char c = static_cast<unsigned char>(label[i]);
    // "_" itself is escaped too, so the encoding can be undone.
    if (IsAsciiLetter(c) || (i > 0 && IsAsciiDigit(c))) {
      escaped += static_cast<char>(c);
    } else {
      escaped += '_';
      escaped += kHexDigits[c >> 4];
      escaped += kHexDigits[c & 0xf];
    }
  }
  return escaped;
}

std::string SessionObjectPath(const std::string& session_id) {
  return kSessionPathPrefix + EscapeObjectPathLabel(session_id);
}

}  // namespace common
}  // namespace quorvel
