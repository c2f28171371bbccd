#ifndef QUORVEL_FUZZ_TARGETS_H_
#define QUORVEL_FUZZ_TARGETS_H_

#include <cstddef>
#include <cstdint>

namespace quorvel {
namespace fuzz {

// The input bytes as one message on the plugin's channel, as received.
int ChannelMessageOneInput(const uint8_t* data, size_t size);

// The input bytes pick a method name (one of the 32, or another) and build an
// argument value of any shape, which is encoded as a well-formed call.
int MethodArgsOneInput(const uint8_t* data, size_t size);

}  // namespace fuzz
}  // namespace quorvel

#endif  // QUORVEL_FUZZ_TARGETS_H_
