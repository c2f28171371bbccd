#include "backend/x11/desktop.h"

namespace quorvel {
namespace x11 {

bool IsDarkTheme() {
  return false;
}
std::string GetUsername() {
  return {};
}
std::string GetPlatformVersion() {
  return "Linux";
}
bool OpenDirectory(const std::string&) {
  return false;
}

}  // namespace x11
}  // namespace quorvel
