#include "backend/x11/spare_keycodes.h"

namespace quorvel {
namespace x11 {

void SparePool::Reset(std::vector<Key> keys) {
  for (Key& key : keys) {
    if (const Key* known = Find(key.keycode)) {
      key.last_used = known->last_used;
    }
  }
  keys_ = std::move(keys);
}

KeyCode SparePool::Take(KeySym level1,
                        KeySym level2,
                        Clock::time_point now,
                        bool* needs_mapping) {
  *needs_mapping = false;
  for (Key& key : keys_) {
    if (key.level1 == level1 && key.level2 == level2) {
      key.last_used = now;
      return key.keycode;
    }
  }
  Key* oldest = nullptr;
  for (Key& key : keys_) {
    const bool settled = !key.mapped() || now - key.last_used >= kSettleTime;
    if (settled && (!oldest || key.last_used < oldest->last_used)) {
      oldest = &key;
    }
  }
  if (!oldest) {
    return 0;
  }
  oldest->level1 = level1;
  oldest->level2 = level2;
  oldest->last_used = now;
  *needs_mapping = true;
  return oldest->keycode;
}

const SparePool::Key* SparePool::Find(KeyCode keycode) const {
  for (const Key& key : keys_) {
    if (key.keycode == keycode) {
      return &key;
    }
  }
  return nullptr;
}

bool SparePool::Carries(KeyCode keycode) const {
  const Key* key = Find(keycode);
  return key && key->mapped();
}

KeyCode SparePool::Carrying(KeySym keysym) const {
  if (keysym == NoSymbol) {
    return 0;
  }
  for (const Key& key : keys_) {
    if (key.level1 == keysym) {
      return key.keycode;
    }
  }
  for (const Key& key : keys_) {
    if (key.level2 == keysym) {
      return key.keycode;
    }
  }
  return 0;
}

void SparePool::ForgetMappings() {
  for (Key& key : keys_) {
    key.level1 = NoSymbol;
    key.level2 = NoSymbol;
  }
}

}  // namespace x11
}  // namespace quorvel
