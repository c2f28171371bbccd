#ifndef QUORVEL_BACKEND_COMMON_DESKTOP_H_
#define QUORVEL_BACKEND_COMMON_DESKTOP_H_

#include <string>

namespace quorvel {
namespace common {

bool IsDarkTheme();
std::string GetUsername();
std::string GetPlatformVersion();
bool OpenDirectory(const std::string& path);

}  // namespace common
}  // namespace quorvel

#endif  // QUORVEL_BACKEND_COMMON_DESKTOP_H_
