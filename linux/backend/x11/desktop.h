#ifndef QUORVEL_BACKEND_X11_DESKTOP_H_
#define QUORVEL_BACKEND_X11_DESKTOP_H_

#include <string>

namespace quorvel {
namespace x11 {

bool IsDarkTheme();
std::string GetUsername();
std::string GetPlatformVersion();
bool OpenDirectory(const std::string& path);

}  // namespace x11
}  // namespace quorvel

#endif  // QUORVEL_BACKEND_X11_DESKTOP_H_
