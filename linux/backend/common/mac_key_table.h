#ifndef QUORVEL_BACKEND_COMMON_MAC_KEY_TABLE_H_
#define QUORVEL_BACKEND_COMMON_MAC_KEY_TABLE_H_

#include <cstdint>
#include <unordered_map>

namespace quorvel {

// macOS virtual key code -> X KeySym, built once on first use.
const std::unordered_map<uint32_t, uint32_t>& MacVkToKeysym();

// The KeySym of a macOS virtual key code, or 0 (NoSymbol) when it has none.
uint32_t TranslateMacVk(uint32_t key);

}  // namespace quorvel

#endif  // QUORVEL_BACKEND_COMMON_MAC_KEY_TABLE_H_
