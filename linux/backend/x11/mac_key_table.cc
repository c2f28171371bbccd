#include "backend/x11/mac_key_table.h"

namespace quorvel {

const std::unordered_map<uint32_t, uint32_t>& MacVkToKeysym() {
  static const std::unordered_map<uint32_t, uint32_t> map;
  return map;
}

uint32_t TranslateMacVk(uint32_t key) {
  auto it = MacVkToKeysym().find(key);
  return it == MacVkToKeysym().end() ? 0 : it->second;
}

}  // namespace quorvel
