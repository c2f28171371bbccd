#ifndef QUORVEL_TOOLS_DRIVER_METHOD_TABLE_H_
#define QUORVEL_TOOLS_DRIVER_METHOD_TABLE_H_

#include <vector>

namespace quorvel {
namespace driver {

// One method the plugin answers on its channel, for --help.
struct MethodInfo {
  const char* name;
  const char* arguments;  // as the driver takes them, "" for none
  const char* reply;
};

// The 32 methods, in the order the plugin tests them.
const std::vector<MethodInfo>& Methods();

}  // namespace driver
}  // namespace quorvel

#endif  // QUORVEL_TOOLS_DRIVER_METHOD_TABLE_H_
