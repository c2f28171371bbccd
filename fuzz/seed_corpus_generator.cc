// Writes the seed corpus of both fuzzers: one well-formed call per method,
// plus the codec's edge cases for the channel-message fuzzer.
//
// Usage: seed_corpus_generator DIR           writes DIR/<target>/<name>
//        seed_corpus_generator --check DIR   fails when DIR differs

#include <flutter_linux/flutter_linux.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <map>
#include <string>
#include <utility>

#include "fuzz/method_args_format.h"

namespace quorvel {
namespace fuzz {
namespace {

using Corpus = std::map<std::string, std::string>;  // file name -> bytes

// ---- channel_message: encoded with the embedding's own codec, or by hand.

std::string Encode(const char* method, FlValue* args) {
  g_autoptr(FlValue) owned = args;
  g_autoptr(FlStandardMethodCodec) codec = fl_standard_method_codec_new();
  g_autoptr(GError) error = nullptr;
  g_autoptr(GBytes) bytes =
      FL_METHOD_CODEC_GET_CLASS(codec)->encode_method_call(
          FL_METHOD_CODEC(codec), method, owned, &error);
  gsize size = 0;
  const char* data = static_cast<const char*>(g_bytes_get_data(bytes, &size));
  return std::string(data, size);
}

FlValue* Map(std::initializer_list<std::pair<const char*, FlValue*>> entries) {
  FlValue* map = fl_value_new_map();
  for (const auto& [key, value] : entries) {
    fl_value_set_string_take(map, key, value);
  }
  return map;
}

FlValue* Point() {
  return Map({{"x", fl_value_new_int(100)}, {"y", fl_value_new_int(200)}});
}

// A well-formed call of each method with the arguments the app sends.
FlValue* TypicalArgs(const std::string& method) {
  if (method == "moveMouse" || method == "dragMouse" ||
      method == "doubleClick") {
    return Point();
  }
  if (method == "wheelMouse") {
    return Map({{"x", fl_value_new_int(100)},
                {"y", fl_value_new_int(200)},
                {"delta", fl_value_new_int(-2)}});
  }
  if (method == "moveMouseAndClick") {
    return Map({{"x", fl_value_new_int(100)},
                {"y", fl_value_new_int(200)},
                {"type", fl_value_new_string("Down")},
                {"button", fl_value_new_string("Right")}});
  }
  if (method == "keyboardClick") {
    return Map(
        {{"key", fl_value_new_int(0)}, {"type", fl_value_new_string("Down")}});
  }
  if (method == "keyboardClickShiftPressed" ||
      method == "keyboardClickCommandPressed") {
    return Map({{"key", fl_value_new_int(0)}});
  }
  if (method == "keyboardPress") {
    return Map({{"char", fl_value_new_string("a")}});
  }
  if (method == "openDirectory") {
    return Map({{"path", fl_value_new_string("/tmp")}});
  }
  return nullptr;
}

// Hand-made messages, for what the encoder never writes.
class Wire {
 public:
  Wire& Byte(uint8_t value) {
    bytes_.push_back(static_cast<char>(value));
    return *this;
  }
  template <typename T>
  Wire& Raw(T value) {
    bytes_.append(reinterpret_cast<const char*>(&value), sizeof(value));
    return *this;
  }
  Wire& Text(const std::string& text) {
    bytes_ += text;
    return *this;
  }
  // A string value with the shortest size form.
  Wire& String(const std::string& text) {
    Byte(7);
    Byte(static_cast<uint8_t>(text.size()));
    return Text(text);
  }
  Wire& PadTo(size_t alignment, uint8_t filler = 0) {
    while (bytes_.size() % alignment != 0) {
      Byte(filler);
    }
    return *this;
  }
  const std::string& bytes() const { return bytes_; }

 private:
  std::string bytes_;
};

void AddChannelMessages(Corpus& corpus) {
  for (const char* method : kChannelMethods) {
    corpus[method] = Encode(method, TypicalArgs(method));
  }
  corpus["unknown-method"] = Encode("MoveMouse", Point());
  corpus["no-args"] = Encode("moveMouse", nullptr);
  corpus["args-not-a-map"] = Encode("moveMouse", fl_value_new_int(7));

  // Sizes of 254 and more take an escape byte and a wider count.
  corpus["size-254-escape"] =
      Encode("moveMouseAndClick",
             Map({{"type", fl_value_new_string(std::string(300, 'D').c_str())},
                  {"button", fl_value_new_string("Right")}}));
  corpus["size-254-not-minimal"] = Wire()
                                       .Byte(7)
                                       .Byte(254)
                                       .Raw<uint16_t>(9)
                                       .Text("moveMouse")
                                       .Byte(0)
                                       .bytes();
  corpus["size-255-not-minimal"] = Wire()
                                       .Byte(7)
                                       .Byte(255)
                                       .Raw<uint32_t>(9)
                                       .Text("moveMouse")
                                       .Byte(0)
                                       .bytes();
  corpus["size-255-truncated"] =
      Wire().Byte(7).Byte(255).Raw<uint32_t>(0x10000000).Text("move").bytes();
  corpus["list-count-huge"] = Wire()
                                  .String("screenList")
                                  .Byte(12)
                                  .Byte(255)
                                  .Raw<uint32_t>(0xffffffff)
                                  .Byte(0)
                                  .bytes();

  // Floats are aligned to 8 from the start of the message.
  corpus["float-padding"] = Encode(
      "moveMouse",
      Map({{"x", fl_value_new_float(10.9)}, {"y", fl_value_new_float(-3.7)}}));
  Wire nonzero_padding;
  nonzero_padding.String("moveMouse").Byte(13).Byte(1).String("x").Byte(6);
  nonzero_padding.PadTo(8, 0xff).Raw<double>(
      std::numeric_limits<double>::quiet_NaN());
  corpus["float-padding-nonzero"] = nonzero_padding.bytes();
  corpus["float-specials"] = Encode(
      "wheelMouse",
      Map({{"x", fl_value_new_float(std::numeric_limits<double>::infinity())},
           {"y", fl_value_new_float(-std::numeric_limits<double>::infinity())},
           {"delta", fl_value_new_float(2147483648.0)}}));

  corpus["int64-extremes"] = Encode(
      "moveMouse",
      Map({{"x", fl_value_new_int(std::numeric_limits<int64_t>::max())},
           {"y", fl_value_new_int(std::numeric_limits<int64_t>::min())}}));
  corpus["int64-low-bits"] = Encode(
      "keyboardClick", Map({{"key", fl_value_new_int((int64_t{1} << 32) + 1)},
                            {"type", fl_value_new_string("Up")}}));

  const uint8_t u8[] = {1, 2, 255};
  const int32_t i32[] = {std::numeric_limits<int32_t>::min(), -1};
  const int64_t i64[] = {std::numeric_limits<int64_t>::max()};
  const float f32[] = {1.5f, -0.0f};
  const double f64[] = {std::numeric_limits<double>::quiet_NaN()};
  corpus["typed-lists"] = Encode(
      "moveMouseAndClick", Map({{"x", fl_value_new_uint8_list(u8, 3)},
                                {"y", fl_value_new_int32_list(i32, 2)},
                                {"type", fl_value_new_int64_list(i64, 1)},
                                {"button", fl_value_new_float32_list(f32, 2)},
                                {"key", fl_value_new_float_list(f64, 1)}}));

  FlValue* inner = fl_value_new_list();
  fl_value_append_take(inner, Point());
  FlValue* nested = fl_value_new_list();
  fl_value_append_take(nested, Map({{"x", inner}}));
  corpus["nested"] = Encode("doubleClick", nested);

  FlValue* odd_keys = fl_value_new_map();
  fl_value_set_take(odd_keys, fl_value_new_int(1), fl_value_new_int(5));
  fl_value_set_take(odd_keys, fl_value_new_null(), fl_value_new_string("x"));
  fl_value_set_take(odd_keys, fl_value_new_float(1.5), fl_value_new_bool(true));
  fl_value_set_string_take(odd_keys, "y", fl_value_new_int(3));
  corpus["map-non-string-keys"] = Encode("moveMouse", odd_keys);

  corpus["invalid-utf8"] =
      Encode("keyboardPress", Map({{"char", fl_value_new_string("\xff\xfe")}}));
  // The encoder stops strings at a NUL; the wire does not.
  corpus["embedded-nul-char"] = Wire()
                                    .String("keyboardPress")
                                    .Byte(13)
                                    .Byte(1)
                                    .String("char")
                                    .String(std::string("a\0b", 3))
                                    .bytes();
  corpus["embedded-nul-path"] = Wire()
                                    .String("openDirectory")
                                    .Byte(13)
                                    .Byte(1)
                                    .String("path")
                                    .String(std::string("/tmp\0/etc", 9))
                                    .bytes();
  corpus["embedded-nul-name"] =
      Wire().String(std::string("moveMouse\0x", 11)).Byte(0).bytes();

  const std::string move = Encode("moveMouse", Point());
  corpus["truncated"] = move.substr(0, move.size() / 2);
  corpus["trailing-bytes"] = move + std::string(1, '\0');
  corpus["empty"] = std::string();
  corpus["name-not-a-string"] = Wire().Byte(3).Raw<int32_t>(1).Byte(0).bytes();
  corpus["unknown-type-byte"] = Wire().String("moveMouse").Byte(15).bytes();
  corpus["large-int-type"] =
      Wire().String("moveMouse").Byte(5).Byte(2).Text("7f").bytes();
}

// ---- method_args: inputs that FuzzedDataProvider reads back as chosen
// calls. Integers are taken from the end of the input, most significant
// byte first; strings from the front, ended by a backslash and another byte.

class ArgsSeed {
 public:
  explicit ArgsSeed(uint8_t method) { Choice(method); }

  ArgsSeed& Choice(uint8_t value) {
    back_.push_back(static_cast<char>(value));
    return *this;
  }
  ArgsSeed& Bits(uint64_t value) {
    for (int shift = 56; shift >= 0; shift -= 8) {
      Choice(static_cast<uint8_t>(value >> shift));
    }
    return *this;
  }
  ArgsSeed& Text(const std::string& text) {
    for (char c : text) {
      front_ += c;
      if (c == '\\') {
        front_ += c;
      }
    }
    front_ += "\\ ";
    return *this;
  }

  ArgsSeed& Null() { return Choice(kNull); }
  ArgsSeed& Int(int64_t value) {
    return Choice(kInt)
        .Choice(kSpecialIntCount)
        .Bits(static_cast<uint64_t>(value) ^ (uint64_t{1} << 63));
  }
  ArgsSeed& Float(double value) {
    uint64_t bits = 0;
    memcpy(&bits, &value, sizeof(bits));
    return Choice(kFloat).Choice(kSpecialFloatCount).Bits(bits);
  }
  ArgsSeed& String(const std::string& text) {
    return Choice(kString).Choice(kSpecialStringCount).Text(text);
  }
  ArgsSeed& Map(uint8_t count) { return Choice(kMap).Choice(count); }
  ArgsSeed& List(uint8_t count) { return Choice(kList).Choice(count); }
  ArgsSeed& Key(const std::string& key) {
    for (uint8_t i = 0; i < kKeyCount; ++i) {
      if (key == kKeys[i]) {
        return Choice(i);
      }
    }
    return Choice(kKeyCount).String(key);
  }

  std::string Bytes() const {
    return front_ + std::string(back_.rbegin(), back_.rend());
  }

 private:
  std::string front_;
  std::string back_;
};

uint8_t MethodIndex(const std::string& name) {
  for (uint8_t i = 0; i < kMethodCount; ++i) {
    if (name == kChannelMethods[i]) {
      return i;
    }
  }
  return kMethodCount;
}

void AddMethodArgs(Corpus& corpus) {
  for (uint8_t i = 0; i < kMethodCount; ++i) {
    const std::string method = kChannelMethods[i];
    ArgsSeed seed(i);
    if (method == "moveMouse" || method == "dragMouse" ||
        method == "doubleClick") {
      seed.Map(2).Key("x").Int(100).Key("y").Int(200);
    } else if (method == "wheelMouse") {
      seed.Map(3).Key("x").Int(100).Key("y").Int(200).Key("delta").Int(-2);
    } else if (method == "moveMouseAndClick") {
      seed.Map(4).Key("x").Int(100).Key("y").Int(200);
      seed.Key("type").String("Down").Key("button").String("Right");
    } else if (method == "keyboardClick") {
      seed.Map(2).Key("key").Int(0).Key("type").String("Down");
    } else if (method == "keyboardClickShiftPressed" ||
               method == "keyboardClickCommandPressed") {
      seed.Map(1).Key("key").Int(0);
    } else if (method == "keyboardPress") {
      seed.Map(1).Key("char").String("a");
    } else if (method == "openDirectory") {
      seed.Map(1).Key("path").String("/tmp");
    } else {
      seed.Null();
    }
    corpus[method] = seed.Bytes();
  }

  ArgsSeed unknown(kMethodCount);
  unknown.Text("MoveMouse").Map(1).Key("x").Int(1);
  corpus["unknown-method"] = unknown.Bytes();

  ArgsSeed floats(MethodIndex("moveMouse"));
  floats.Map(2).Key("x").Float(10.9).Key("y").Float(
      std::numeric_limits<double>::quiet_NaN());
  corpus["float-args"] = floats.Bytes();

  ArgsSeed odd_key(MethodIndex("wheelMouse"));
  odd_key.Map(2).Key("delta").Int(3).Choice(kKeyCount).Int(7).String("x");
  corpus["int-key"] = odd_key.Bytes();

  ArgsSeed nested(MethodIndex("keyboardPress"));
  nested.Map(1).Key("char").List(1).Map(1).Key("char").String("\\");
  corpus["nested"] = nested.Bytes();
}

bool Write(const std::filesystem::path& dir, const Corpus& corpus) {
  std::filesystem::create_directories(dir);
  for (const auto& [name, bytes] : corpus) {
    std::ofstream file(dir / name, std::ios::binary);
    file << bytes;
    if (!file) {
      fprintf(stderr, "cannot write %s\n", (dir / name).c_str());
      return false;
    }
  }
  return true;
}

bool Matches(const std::filesystem::path& dir, const Corpus& corpus) {
  bool same = true;
  size_t files = 0;
  if (std::filesystem::is_directory(dir)) {
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
      ++files;
      auto it = corpus.find(entry.path().filename().string());
      std::ifstream file(entry.path(), std::ios::binary);
      std::string bytes((std::istreambuf_iterator<char>(file)),
                        std::istreambuf_iterator<char>());
      if (it == corpus.end() || it->second != bytes) {
        fprintf(stderr, "stale seed: %s\n", entry.path().c_str());
        same = false;
      }
    }
  }
  if (files != corpus.size()) {
    fprintf(stderr, "%s: %zu files, %zu seeds\n", dir.c_str(), files,
            corpus.size());
    same = false;
  }
  return same;
}

}  // namespace
}  // namespace fuzz
}  // namespace quorvel

int main(int argc, char** argv) {
  using quorvel::fuzz::Corpus;
  bool check = argc == 3 && std::string(argv[1]) == "--check";
  if (argc != 2 && !check) {
    fprintf(stderr, "usage: %s [--check] DIR\n", argv[0]);
    return 2;
  }
  const std::filesystem::path root = argv[argc - 1];
  Corpus channel_message;
  Corpus method_args;
  quorvel::fuzz::AddChannelMessages(channel_message);
  quorvel::fuzz::AddMethodArgs(method_args);
  if (check) {
    bool channel_ok =
        quorvel::fuzz::Matches(root / "channel_message", channel_message);
    bool args_ok = quorvel::fuzz::Matches(root / "method_args", method_args);
    return channel_ok && args_ok ? 0 : 1;
  }
  return quorvel::fuzz::Write(root / "channel_message", channel_message) &&
                 quorvel::fuzz::Write(root / "method_args", method_args)
             ? 0
             : 1;
}
