#include "fuzz/fuzz_plugin.h"
#include "fuzz/targets.h"

namespace quorvel {
namespace fuzz {

int ChannelMessageOneInput(const uint8_t* data, size_t size) {
  DeliverToPlugin(data, size);
  return 0;
}

}  // namespace fuzz
}  // namespace quorvel
