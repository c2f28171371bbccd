#ifndef QUORVEL_BACKEND_COMMON_TEXT_KEYSYM_H_
#define QUORVEL_BACKEND_COMMON_TEXT_KEYSYM_H_

#include <cstdint>
#include <string>

namespace quorvel {
namespace common {

// The KeySym that types `text`: one character (UTF-8), or else a KeySym
// name such as "Return" or "F5"; 0 for anything else.
uint32_t KeysymForText(const std::string& text);

}  // namespace common
}  // namespace quorvel

#endif  // QUORVEL_BACKEND_COMMON_TEXT_KEYSYM_H_
