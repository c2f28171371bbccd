#include "hardening/hostile_cases.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

#include "support/channel_methods.h"

namespace quorvel {
namespace testing {
namespace {

constexpr const char* kKeys[] = {"x",      "y",   "delta", "type",
                                 "button", "key", "char",  "path"};

// Every key the dispatcher reads, each holding a fresh value from `make`.
FlValue* AllKeys(const std::function<FlValue*()>& make,
                 bool include_delta = true) {
  FlValue* map = fl_value_new_map();
  for (const char* key : kKeys) {
    if (include_delta || std::string(key) != "delta") {
      fl_value_set_string_take(map, key, make());
    }
  }
  return map;
}

std::string MebibyteString(const std::string& method) {
  static const std::string text(1 << 20, 'D');
  return EncodeCall(method,
                    AllKeys([] { return fl_value_new_string(text.c_str()); }));
}

std::string InvalidUtf8(const std::string& method) {
  return EncodeCall(
      method, AllKeys([] { return fl_value_new_string("\xff\xfe\xc3"); }));
}

// The encoder stops a string at a NUL, the wire does not: a marker of the
// same length is patched into a NUL after encoding.
std::string EmbeddedNul(const std::string& method) {
  std::string bytes =
      EncodeCall(method, AllKeys([] { return fl_value_new_string("a#b"); }));
  for (size_t at = bytes.find("a#b"); at != std::string::npos;
       at = bytes.find("a#b", at)) {
    bytes[at + 1] = '\0';
  }
  return bytes;
}

FlValue* NestedLists(int depth) {
  FlValue* value = fl_value_new_int(1);
  for (int i = 0; i < depth; ++i) {
    FlValue* list = fl_value_new_list();
    fl_value_append_take(list, value);
    value = list;
  }
  return value;
}

FlValue* NestedMaps(int depth) {
  FlValue* value = fl_value_new_int(1);
  for (int i = 0; i < depth; ++i) {
    FlValue* map = fl_value_new_map();
    fl_value_set_string_take(map, "x", value);
    value = map;
  }
  return value;
}

std::string ListsThousandDeep(const std::string& method) {
  return EncodeCall(method, NestedLists(1000));
}

std::string MapsThousandDeep(const std::string& method) {
  return EncodeCall(method, NestedMaps(1000));
}

// Deeper than the codec reads: a list of a list of ... 100,000 times.
std::string ListsTooDeep(const std::string& method) {
  std::string bytes = EncodeCall(method, nullptr);
  bytes.pop_back();  // the null arguments
  for (int i = 0; i < 100000; ++i) {
    bytes += "\x0c\x01";
  }
  bytes += '\0';
  return bytes;
}

std::string Int64Min(const std::string& method) {
  return EncodeCall(
      method, AllKeys([] {
        return fl_value_new_int(std::numeric_limits<int64_t>::min());
      }));
}

std::string Int64Max(const std::string& method) {
  return EncodeCall(
      method, AllKeys([] {
        return fl_value_new_int(std::numeric_limits<int64_t>::max());
      }));
}

std::string NotANumber(const std::string& method) {
  return EncodeCall(method,
                    AllKeys([] { return fl_value_new_float(NAN); }, false));
}

std::string Infinity(const std::string& method) {
  return EncodeCall(
      method, AllKeys([] { return fl_value_new_float(INFINITY); }, false));
}

std::string NegativeInfinity(const std::string& method) {
  return EncodeCall(
      method, AllKeys([] { return fl_value_new_float(-INFINITY); }, false));
}

std::string FloatSpecialsAsDelta(const std::string& method) {
  FlValue* map = fl_value_new_map();
  fl_value_set_string_take(map, "delta", fl_value_new_float(NAN));
  return EncodeCall(method, map);
}

std::string NonStringKeys(const std::string& method) {
  FlValue* map = fl_value_new_map();
  fl_value_set_take(map, fl_value_new_int(1), fl_value_new_int(5));
  fl_value_set_take(map, fl_value_new_null(), fl_value_new_string("Down"));
  fl_value_set_take(map, fl_value_new_float(1.5), fl_value_new_bool(true));
  fl_value_set_take(map, fl_value_new_bool(false), fl_value_new_string("a"));
  FlValue* list_key = fl_value_new_list();
  fl_value_append_take(list_key, fl_value_new_string("x"));
  fl_value_set_take(map, list_key, fl_value_new_int(7));
  const uint8_t bytes[] = {'x'};
  fl_value_set_take(map, fl_value_new_uint8_list(bytes, 1),
                    fl_value_new_int(9));
  return EncodeCall(method, map);
}

std::string ArgsNotAMap(const std::string& method) {
  const int64_t values[] = {1, 2};
  return EncodeCall(method, fl_value_new_int64_list(values, 2));
}

}  // namespace

std::string EncodeCall(const std::string& method, FlValue* args) {
  g_autoptr(FlValue) owned = args;
  g_autoptr(FlStandardMethodCodec) codec = fl_standard_method_codec_new();
  g_autoptr(GError) error = nullptr;
  g_autoptr(GBytes) bytes =
      FL_METHOD_CODEC_GET_CLASS(codec)->encode_method_call(
          FL_METHOD_CODEC(codec), method.c_str(), owned, &error);
  if (bytes == nullptr) {
    ADD_FAILURE() << "cannot encode " << method << ": " << error->message;
    return std::string();
  }
  gsize size = 0;
  const char* data = static_cast<const char*>(g_bytes_get_data(bytes, &size));
  return std::string(data, size);
}

const std::vector<HostileCase>& HostileCases() {
  static const std::vector<HostileCase> cases = {
      {"1 MiB strings", false, false, MebibyteString},
      {"invalid UTF-8", false, false, InvalidUtf8},
      {"embedded NUL", false, false, EmbeddedNul},
      {"lists 1000 deep", false, false, ListsThousandDeep},
      {"maps 1000 deep", false, false, MapsThousandDeep},
      {"lists 100000 deep", false, true, ListsTooDeep},
      {"int64 min", false, false, Int64Min},
      {"int64 max", false, false, Int64Max},
      {"NaN", false, false, NotANumber},
      {"infinity", false, false, Infinity},
      {"-infinity", false, false, NegativeInfinity},
      {"NaN delta", true, false, FloatSpecialsAsDelta},
      {"non-string keys", false, false, NonStringKeys},
      {"arguments not a map", false, false, ArgsNotAMap},
  };
  return cases;
}

const std::vector<std::string>& MethodNames() {
  static const std::vector<std::string> names(std::begin(kChannelMethods),
                                              std::end(kChannelMethods));
  return names;
}

void ExpectOnlyKnownWarnings(const LogCapture& capture) {
  static const char* const kKnown[] = {"system bus: ", "xdg-open '",
                                       "Failed to decode method call"};
  for (const LogRecord& record : capture.records()) {
    if (record.level != G_LOG_LEVEL_WARNING) {
      if (record.level & (G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_ERROR)) {
        ADD_FAILURE() << "GLib critical or error [" << record.domain
                      << "]: " << record.message.substr(0, 300);
      }
      continue;
    }
    bool known = false;
    for (const char* prefix : kKnown) {
      known = known || record.message.rfind(prefix, 0) == 0;
    }
    EXPECT_TRUE(known) << "unexpected warning: "
                       << record.message.substr(0, 300);
  }
}

}  // namespace testing
}  // namespace quorvel
