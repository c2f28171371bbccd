#ifndef QUORVEL_TESTS_PLUGIN_REPLY_BYTES_H_
#define QUORVEL_TESTS_PLUGIN_REPLY_BYTES_H_

#include <cstdint>
#include <string>
#include <vector>

namespace quorvel {
namespace testing {

// Reply envelopes of the standard method codec, written out by hand so the
// dispatcher's replies are checked against the wire format itself rather than
// against our own encoder. Sizes here stay below 254 bytes.
using Bytes = std::vector<uint8_t>;

inline void AppendString(Bytes& out, const std::string& text) {
  out.push_back(0x07);
  out.push_back(static_cast<uint8_t>(text.size()));
  out.insert(out.end(), text.begin(), text.end());
}

inline Bytes NullReply() {
  return {0x00, 0x00};
}

inline Bytes BoolReply(bool value) {
  return {0x00, static_cast<uint8_t>(value ? 0x01 : 0x02)};
}

inline Bytes Int32Reply(int32_t value) {
  auto v = static_cast<uint32_t>(value);
  return {0x00,
          0x03,
          static_cast<uint8_t>(v),
          static_cast<uint8_t>(v >> 8),
          static_cast<uint8_t>(v >> 16),
          static_cast<uint8_t>(v >> 24)};
}

inline Bytes StringReply(const std::string& text) {
  Bytes out = {0x00};
  AppendString(out, text);
  return out;
}

inline Bytes StringListReply(const std::vector<std::string>& items) {
  Bytes out = {0x00, 0x0c, static_cast<uint8_t>(items.size())};
  for (const std::string& item : items) {
    AppendString(out, item);
  }
  return out;
}

inline Bytes NotImplementedReply() {
  return {};
}

inline Bytes UnavailableReply() {
  Bytes out = {0x01};
  AppendString(out, "UNAVAILABLE");
  AppendString(out, "Plugin backend has been disposed");
  out.push_back(0x00);  // no details
  return out;
}

}  // namespace testing
}  // namespace quorvel

#endif  // QUORVEL_TESTS_PLUGIN_REPLY_BYTES_H_
