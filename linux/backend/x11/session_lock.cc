#include "backend/x11/session_lock.h"

namespace quorvel {
namespace x11 {

bool LockSession() {
  return false;
}

}  // namespace x11
}  // namespace quorvel
