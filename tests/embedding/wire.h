#ifndef QUORVEL_TESTS_EMBEDDING_WIRE_H_
#define QUORVEL_TESTS_EMBEDDING_WIRE_H_

#include <flutter_linux/flutter_linux.h>

#include <cstdint>
#include <string>
#include <vector>

namespace quorvel {
namespace testing {

using Bytes = std::vector<uint8_t>;

// Bytes written as hex pairs; spaces and '|' are only for the reader.
Bytes Hex(const std::string& text);

Bytes Concat(std::initializer_list<Bytes> parts);

Bytes ToVector(GBytes* bytes);

// A heap copy of exactly `bytes.size()` bytes, so AddressSanitizer notices
// a decoder reading one byte too far.
GBytes* ToBytes(const Bytes& bytes);

}  // namespace testing
}  // namespace quorvel

#endif  // QUORVEL_TESTS_EMBEDDING_WIRE_H_
