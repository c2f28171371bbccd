#include "backend/x11/keys.h"

namespace quorvel {
namespace x11 {

void HoldKey() {}
void SendKeyTransition(Display*, uint32_t, bool) {}

}  // namespace x11
}  // namespace quorvel
