#ifndef QUORVEL_FUZZ_FUZZ_PLUGIN_H_
#define QUORVEL_FUZZ_FUZZ_PLUGIN_H_

#include <cstddef>
#include <cstdint>

namespace quorvel {
namespace fuzz {

// Delivers `size` bytes as one incoming message on the plugin's channel, the
// plugin being registered once per process on a host engine, isolated from
// the session (see sandbox.h) and without an X display. Returns the size of
// the reply. Aborts when the message goes unanswered or the reply is not a
// well-formed envelope: every message from the remote side must get exactly
// one reply.
size_t DeliverToPlugin(const uint8_t* data, size_t size);

}  // namespace fuzz
}  // namespace quorvel

#endif  // QUORVEL_FUZZ_FUZZ_PLUGIN_H_
