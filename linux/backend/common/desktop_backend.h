#ifndef QUORVEL_BACKEND_COMMON_DESKTOP_BACKEND_H_
#define QUORVEL_BACKEND_COMMON_DESKTOP_BACKEND_H_

#include <string>

#include "backend/backend.h"
#include "backend/common/desktop.h"
#include "backend/common/session_lock.h"

namespace quorvel {
namespace common {

// The operations every backend answers the same way, whatever the desktop
// injects input through: the session lock through logind, and the theme,
// user, version and xdg-open queries. Backends derive from this.
class DesktopBackend : public Backend {
 public:
  bool LockScreen() override { return LockSession(); }
  bool IsDarkTheme() override { return common::IsDarkTheme(); }
  std::string GetUsername() override { return common::GetUsername(); }
  std::string GetPlatformVersion() override {
    return common::GetPlatformVersion();
  }
  bool OpenDirectory(const std::string& path) override {
    return common::OpenDirectory(path);
  }
};

}  // namespace common
}  // namespace quorvel

#endif  // QUORVEL_BACKEND_COMMON_DESKTOP_BACKEND_H_
