#ifndef QUORVEL_FUZZ_METHOD_ARGS_FORMAT_H_
#define QUORVEL_FUZZ_METHOD_ARGS_FORMAT_H_

// How the method-args fuzzer reads its input, shared with the seed corpus
// generator, which writes inputs that decode to chosen calls.
//
// An input is read with FuzzedDataProvider: first a method index in
// [0, kMethodCount] (kMethodCount: another name, read as a string), then one
// value. A value is a Kind, then its payload:
//   kNull, kTrue, kFalse: nothing;
//   kInt: an index into kSpecialInts, or kSpecialIntCount and a raw int64;
//   kFloat: an index into kSpecialFloats, or kSpecialFloatCount and the raw
//     bits of a double;
//   kString: an index into kSpecialStrings, or kSpecialStringCount and a
//     string of up to kMaxStringLength bytes;
//   typed lists: a count up to kMaxListCount, then that many raw elements;
//   kList: a count up to kMaxListCount, then the elements;
//   kMap: a count up to kMaxListCount, then per entry a key choice (an index
//     into kKeys, or kKeyCount and any value) and a value.
// Beyond kMaxDepth every value is null, and an exhausted input reads as
// zeros, so every input decodes to a finite value.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>

#include "tests/support/channel_methods.h"

namespace quorvel {
namespace fuzz {

using testing::kChannelMethods;
constexpr uint8_t kMethodCount = testing::kChannelMethodCount;

enum Kind : uint8_t {
  kNull,
  kTrue,
  kFalse,
  kInt,
  kFloat,
  kString,
  kUint8List,
  kInt32List,
  kInt64List,
  kFloat32List,
  kFloat64List,
  kList,
  kMap,
  kLastKind = kMap,
};

// Every key the dispatcher reads.
constexpr const char* kKeys[] = {"x",      "y",   "delta", "type",
                                 "button", "key", "char",  "path"};
constexpr uint8_t kKeyCount = sizeof(kKeys) / sizeof(kKeys[0]);

constexpr int64_t kSpecialInts[] = {
    0,
    1,
    -1,
    std::numeric_limits<int64_t>::min(),
    std::numeric_limits<int64_t>::max(),
    int64_t{1} << 31,
    (int64_t{1} << 32) + 1,
    std::numeric_limits<int32_t>::min(),
};
constexpr uint8_t kSpecialIntCount =
    sizeof(kSpecialInts) / sizeof(kSpecialInts[0]);

constexpr double kSpecialFloats[] = {
    std::numeric_limits<double>::quiet_NaN(),
    std::numeric_limits<double>::infinity(),
    -std::numeric_limits<double>::infinity(),
    10.9,
    -3.7,
    2147483648.0,
    -2147483649.0,
    -0.0,
};
constexpr uint8_t kSpecialFloatCount =
    sizeof(kSpecialFloats) / sizeof(kSpecialFloats[0]);

// What the dispatcher compares with, their near misses, and text that is
// not valid UTF-8.
constexpr const char* kSpecialStrings[] = {
    "Down",         "Up",   "Middle", "Right", "down", "a",
    "\xc3\xa9",  // é
    "\xff\xfe\x80", "/tmp", "",
};
constexpr uint8_t kSpecialStringCount =
    sizeof(kSpecialStrings) / sizeof(kSpecialStrings[0]);

constexpr size_t kMaxStringLength = 256;
constexpr uint8_t kMaxListCount = 8;
constexpr int kMaxDepth = 8;

}  // namespace fuzz
}  // namespace quorvel

#endif  // QUORVEL_FUZZ_METHOD_ARGS_FORMAT_H_
