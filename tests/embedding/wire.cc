#include "embedding/wire.h"

#include <gtest/gtest.h>

#include <cstring>

namespace quorvel {
namespace testing {

Bytes Hex(const std::string& text) {
  Bytes out;
  std::string digits;
  for (char c : text) {
    if (g_ascii_isxdigit(c)) {
      digits += c;
    }
  }
  EXPECT_EQ(digits.size() % 2, 0u) << text;
  for (size_t i = 0; i + 1 < digits.size(); i += 2) {
    out.push_back(static_cast<uint8_t>(g_ascii_xdigit_value(digits[i]) * 16 +
                                       g_ascii_xdigit_value(digits[i + 1])));
  }
  return out;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& part : parts) {
    out.insert(out.end(), part.begin(), part.end());
  }
  return out;
}

Bytes ToVector(GBytes* bytes) {
  gsize size = 0;
  const uint8_t* data =
      static_cast<const uint8_t*>(g_bytes_get_data(bytes, &size));
  return Bytes(data, data + size);
}

GBytes* ToBytes(const Bytes& bytes) {
  if (bytes.empty()) {
    return g_bytes_new(nullptr, 0);
  }
  void* copy = g_malloc(bytes.size());
  memcpy(copy, bytes.data(), bytes.size());
  return g_bytes_new_take(copy, bytes.size());
}

}  // namespace testing
}  // namespace quorvel
