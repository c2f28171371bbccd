#include "backend/x11/screens.h"

namespace quorvel {
namespace x11 {

bool GetScreenSize(Display*, int32_t*, int32_t*) {
  return false;
}
std::vector<ScreenInfo> GetScreenList(Display*, Window) {
  return {};
}

}  // namespace x11
}  // namespace quorvel
