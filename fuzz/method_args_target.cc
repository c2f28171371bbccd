#include <flutter_linux/flutter_linux.h>
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/fuzz_plugin.h"
#include "fuzz/method_args_format.h"
#include "fuzz/targets.h"

namespace quorvel {
namespace fuzz {
namespace {

FlValue* ReadValue(FuzzedDataProvider& input, int depth);

template <typename T>
std::vector<T> ReadElements(FuzzedDataProvider& input) {
  std::vector<T> elements(
      input.ConsumeIntegralInRange<uint8_t>(0, kMaxListCount));
  for (T& element : elements) {
    element = input.ConsumeIntegral<T>();
  }
  return elements;
}

// Floats are read as raw bits so that every NaN payload and both
// infinities can come up.
template <typename Float, typename Bits>
std::vector<Float> ReadFloatElements(FuzzedDataProvider& input) {
  std::vector<Bits> bits = ReadElements<Bits>(input);
  std::vector<Float> elements(bits.size());
  if (!bits.empty()) {
    memcpy(elements.data(), bits.data(), bits.size() * sizeof(Float));
  }
  return elements;
}

FlValue* ReadInt(FuzzedDataProvider& input) {
  uint8_t choice = input.ConsumeIntegralInRange<uint8_t>(0, kSpecialIntCount);
  if (choice < kSpecialIntCount) {
    return fl_value_new_int(kSpecialInts[choice]);
  }
  return fl_value_new_int(input.ConsumeIntegral<int64_t>());
}

FlValue* ReadFloat(FuzzedDataProvider& input) {
  uint8_t choice = input.ConsumeIntegralInRange<uint8_t>(0, kSpecialFloatCount);
  if (choice < kSpecialFloatCount) {
    return fl_value_new_float(kSpecialFloats[choice]);
  }
  uint64_t bits = input.ConsumeIntegral<uint64_t>();
  double value = 0;
  memcpy(&value, &bits, sizeof(value));
  return fl_value_new_float(value);
}

FlValue* ReadString(FuzzedDataProvider& input) {
  uint8_t choice =
      input.ConsumeIntegralInRange<uint8_t>(0, kSpecialStringCount);
  if (choice < kSpecialStringCount) {
    return fl_value_new_string(kSpecialStrings[choice]);
  }
  std::string text = input.ConsumeRandomLengthString(kMaxStringLength);
  return fl_value_new_string_sized(text.data(), text.size());
}

FlValue* ReadKey(FuzzedDataProvider& input, int depth) {
  uint8_t choice = input.ConsumeIntegralInRange<uint8_t>(0, kKeyCount);
  if (choice < kKeyCount) {
    return fl_value_new_string(kKeys[choice]);
  }
  return ReadValue(input, depth + 1);
}

FlValue* ReadValue(FuzzedDataProvider& input, int depth) {
  if (depth > kMaxDepth) {
    return fl_value_new_null();
  }
  switch (input.ConsumeIntegralInRange<uint8_t>(0, kLastKind)) {
    case kNull:
      return fl_value_new_null();
    case kTrue:
      return fl_value_new_bool(true);
    case kFalse:
      return fl_value_new_bool(false);
    case kInt:
      return ReadInt(input);
    case kFloat:
      return ReadFloat(input);
    case kString:
      return ReadString(input);
    case kUint8List: {
      std::vector<uint8_t> elements = ReadElements<uint8_t>(input);
      return fl_value_new_uint8_list(elements.data(), elements.size());
    }
    case kInt32List: {
      std::vector<int32_t> elements = ReadElements<int32_t>(input);
      return fl_value_new_int32_list(elements.data(), elements.size());
    }
    case kInt64List: {
      std::vector<int64_t> elements = ReadElements<int64_t>(input);
      return fl_value_new_int64_list(elements.data(), elements.size());
    }
    case kFloat32List: {
      std::vector<float> elements = ReadFloatElements<float, uint32_t>(input);
      return fl_value_new_float32_list(elements.data(), elements.size());
    }
    case kFloat64List: {
      std::vector<double> elements = ReadFloatElements<double, uint64_t>(input);
      return fl_value_new_float_list(elements.data(), elements.size());
    }
    case kList: {
      FlValue* list = fl_value_new_list();
      uint8_t count = input.ConsumeIntegralInRange<uint8_t>(0, kMaxListCount);
      for (uint8_t i = 0; i < count; ++i) {
        fl_value_append_take(list, ReadValue(input, depth + 1));
      }
      return list;
    }
    default: {
      FlValue* map = fl_value_new_map();
      uint8_t count = input.ConsumeIntegralInRange<uint8_t>(0, kMaxListCount);
      for (uint8_t i = 0; i < count; ++i) {
        FlValue* key = ReadKey(input, depth);
        fl_value_set_take(map, key, ReadValue(input, depth + 1));
      }
      return map;
    }
  }
}

}  // namespace

int MethodArgsOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  uint8_t method = input.ConsumeIntegralInRange<uint8_t>(0, kMethodCount);
  std::string name = method < kMethodCount
                         ? kChannelMethods[method]
                         : input.ConsumeRandomLengthString(kMaxStringLength);
  g_autoptr(FlValue) args = ReadValue(input, 0);

  g_autoptr(FlStandardMethodCodec) codec = fl_standard_method_codec_new();
  g_autoptr(GError) error = nullptr;
  g_autoptr(GBytes) message =
      FL_METHOD_CODEC_GET_CLASS(codec)->encode_method_call(
          FL_METHOD_CODEC(codec), name.c_str(), args, &error);
  if (message == nullptr) {
    fprintf(stderr, "cannot encode a call: %s\n", error->message);
    abort();
  }
  gsize message_size = 0;
  const auto* bytes =
      static_cast<const uint8_t*>(g_bytes_get_data(message, &message_size));
  size_t reply_size = DeliverToPlugin(bytes, message_size);
  // Each of the 32 names is served, whatever the arguments.
  if (method < kMethodCount && reply_size == 0) {
    fprintf(stderr, "%s was answered as not implemented\n", name.c_str());
    abort();
  }
  return 0;
}

}  // namespace fuzz
}  // namespace quorvel
