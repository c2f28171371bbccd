#ifndef QUORVEL_BACKEND_COMMON_ITALIAN_KEYS_H_
#define QUORVEL_BACKEND_COMMON_ITALIAN_KEYS_H_

#include <cstdint>
#include <string>
#include <vector>

namespace quorvel {
namespace common {

// The KeySyms to hold together for `text` on the Italian layout: the
// modifiers first (Shift_R for level 2, ISO_Level3_Shift for level 3, both
// for level 4), the base key's unshifted symbol last. Null when `text` is
// not one of its 43 characters (exact UTF-8 bytes, nothing normalised).
const std::vector<uint32_t>* ItalianKeys(const std::string& text);

}  // namespace common
}  // namespace quorvel

#endif  // QUORVEL_BACKEND_COMMON_ITALIAN_KEYS_H_
