// The standard codec's bytes, value by value, as the Dart side writes and
// expects them (little-endian host).

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "embedding/wire.h"
#include "support/value_ptr.h"

namespace quorvel {
namespace testing {
namespace {

class CodecBytesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (G_BYTE_ORDER != G_LITTLE_ENDIAN) {
      GTEST_SKIP() << "expected bytes are written little-endian";
    }
    message_codec_ = fl_standard_message_codec_new();
    method_codec_ = fl_standard_method_codec_new();
  }
  void TearDown() override {
    g_clear_object(&message_codec_);
    g_clear_object(&method_codec_);
  }

  Bytes Encode(FlValue* value) {
    g_autoptr(GError) error = nullptr;
    g_autoptr(GBytes) bytes = fl_message_codec_encode_message(
        FL_MESSAGE_CODEC(message_codec_), value, &error);
    EXPECT_NE(bytes, nullptr) << error->message;
    return bytes ? ToVector(bytes) : Bytes();
  }

  FlValuePtr Decode(const Bytes& bytes) {
    g_autoptr(GBytes) message = ToBytes(bytes);
    g_autoptr(GError) error = nullptr;
    FlValue* value = fl_message_codec_decode_message(
        FL_MESSAGE_CODEC(message_codec_), message, &error);
    EXPECT_NE(value, nullptr) << error->message;
    return FlValuePtr(value);
  }

  FlMethodCodecClass* Method() {
    return FL_METHOD_CODEC_GET_CLASS(method_codec_);
  }
  FlMethodCodec* method_codec() { return FL_METHOD_CODEC(method_codec_); }

  FlStandardMessageCodec* message_codec_ = nullptr;
  FlStandardMethodCodec* method_codec_ = nullptr;
};

struct ValueCase {
  const char* name;
  FlValue* (*make)();
  const char* hex;
};

const ValueCase kValueCases[] = {
    {"null", [] { return fl_value_new_null(); }, "00"},
    {"true", [] { return fl_value_new_bool(true); }, "01"},
    {"false", [] { return fl_value_new_bool(false); }, "02"},
    {"zero", [] { return fl_value_new_int(0); }, "03 00000000"},
    {"minus one", [] { return fl_value_new_int(-1); }, "03 ffffffff"},
    {"int32 max", [] { return fl_value_new_int(G_MAXINT32); }, "03 ffffff7f"},
    {"int32 min", [] { return fl_value_new_int(G_MININT32); }, "03 00000080"},
    {"int32 max + 1", [] { return fl_value_new_int(int64_t{G_MAXINT32} + 1); },
     "04 00000080 00000000"},
    {"int32 min - 1", [] { return fl_value_new_int(int64_t{G_MININT32} - 1); },
     "04 ffffff7f ffffffff"},
    {"int64 max", [] { return fl_value_new_int(G_MAXINT64); },
     "04 ffffffff ffffff7f"},
    // Seven zero bytes: the double starts at offset 8 of the message.
    {"float", [] { return fl_value_new_float(1.5); },
     "06 00000000000000 | 000000000000f83f"},
    {"integral float", [] { return fl_value_new_float(1.0); },
     "06 00000000000000 | 000000000000f03f"},
    {"empty string", [] { return fl_value_new_string(""); }, "07 00"},
    {"string", [] { return fl_value_new_string("hello"); }, "07 05 68656c6c6f"},
    {"utf-8 string", [] { return fl_value_new_string("\xc3\xa8"); },
     "07 02 c3a8"},
    {"uint8 list",
     [] {
       const uint8_t data[] = {1, 2, 255};
       return fl_value_new_uint8_list(data, 3);
     },
     "08 03 0102ff"},
    // Size at offset 1, so two bytes of padding before the elements.
    {"int32 list",
     [] {
       const int32_t data[] = {1, -1};
       return fl_value_new_int32_list(data, 2);
     },
     "09 02 0000 | 01000000 ffffffff"},
    {"empty int32 list", [] { return fl_value_new_int32_list(nullptr, 0); },
     "09 00 0000"},
    {"int64 list",
     [] {
       const int64_t data[] = {1};
       return fl_value_new_int64_list(data, 1);
     },
     "0a 01 000000000000 | 0100000000000000"},
    {"float64 list",
     [] {
       const double data[] = {1.5};
       return fl_value_new_float_list(data, 1);
     },
     "0b 01 000000000000 | 000000000000f83f"},
    {"float32 list",
     [] {
       const float data[] = {1.5f};
       return fl_value_new_float32_list(data, 1);
     },
     "0e 01 0000 | 0000c03f"},
    {"list",
     [] {
       FlValue* list = fl_value_new_list();
       fl_value_append_take(list, fl_value_new_int(1));
       fl_value_append_take(list, fl_value_new_string("a"));
       return list;
     },
     "0c 02 | 03 01000000 | 07 01 61"},
    // The float's padding counts from the message start, not the list's.
    {"float in a list",
     [] {
       FlValue* list = fl_value_new_list();
       fl_value_append_take(list, fl_value_new_float(1.5));
       return list;
     },
     "0c 01 | 06 0000000000 | 000000000000f83f"},
    {"nested empty list",
     [] {
       FlValue* list = fl_value_new_list();
       fl_value_append_take(list, fl_value_new_list());
       return list;
     },
     "0c 01 0c 00"},
    {"map",
     [] {
       FlValue* map = fl_value_new_map();
       fl_value_set_string_take(map, "a", fl_value_new_int(1));
       fl_value_set_string_take(map, "b", fl_value_new_null());
       return map;
     },
     "0d 02 | 07 01 61 | 03 01000000 | 07 01 62 | 00"},
    {"map with an int key and a list value",
     [] {
       FlValue* map = fl_value_new_map();
       FlValue* list = fl_value_new_list();
       fl_value_append_take(list, fl_value_new_bool(true));
       fl_value_set_take(map, fl_value_new_int(7), list);
       return map;
     },
     "0d 01 | 03 07000000 | 0c 01 01"},
};

TEST_F(CodecBytesTest, EncodesEachTypeAsDartDoes) {
  for (const ValueCase& c : kValueCases) {
    SCOPED_TRACE(c.name);
    FlValuePtr value(c.make());
    EXPECT_EQ(Encode(value.get()), Hex(c.hex));
  }
}

TEST_F(CodecBytesTest, DecodesWhatItEncodes) {
  for (const ValueCase& c : kValueCases) {
    SCOPED_TRACE(c.name);
    FlValuePtr value(c.make());
    FlValuePtr decoded = Decode(Hex(c.hex));
    ASSERT_NE(decoded, nullptr);
    EXPECT_TRUE(fl_value_equal(decoded.get(), value.get()));
  }
}

TEST_F(CodecBytesTest, EncodesCNullAsNull) {
  EXPECT_EQ(Encode(nullptr), Hex("00"));
}

TEST_F(CodecBytesTest, Int64OnTheWireDecodesAsInt) {
  FlValuePtr small = Decode(Hex("04 05000000 00000000"));
  EXPECT_EQ(fl_value_get_type(small.get()), FL_VALUE_TYPE_INT);
  EXPECT_EQ(fl_value_get_int(small.get()), 5);
}

TEST_F(CodecBytesTest, SizesEscapeAt254And65536) {
  struct SizeCase {
    size_t length;
    const char* header;
  };
  const SizeCase cases[] = {
      {253, "08 fd"},
      {254, "08 fe fe00"},
      {300, "08 fe 2c01"},
      {65535, "08 fe ffff"},
      {65536, "08 ff 00000100"},
      {70000, "08 ff 70110100"},
  };
  for (const SizeCase& c : cases) {
    SCOPED_TRACE(c.length);
    Bytes data(c.length);
    for (size_t i = 0; i < data.size(); i++) {
      data[i] = static_cast<uint8_t>(i * 7);
    }
    FlValuePtr value(fl_value_new_uint8_list(data.data(), data.size()));
    Bytes expected = Concat({Hex(c.header), data});
    EXPECT_EQ(Encode(value.get()), expected);
    FlValuePtr decoded = Decode(expected);
    ASSERT_NE(decoded, nullptr);
    EXPECT_TRUE(fl_value_equal(decoded.get(), value.get()));
  }
}

TEST_F(CodecBytesTest, StringOf300BytesUsesTheTwoByteSize) {
  std::string text(300, 'x');
  FlValuePtr value(fl_value_new_string(text.c_str()));
  Bytes expected = Concat({Hex("07 fe 2c01"), Bytes(text.begin(), text.end())});
  EXPECT_EQ(Encode(value.get()), expected);
  FlValuePtr decoded = Decode(expected);
  EXPECT_STREQ(fl_value_get_string(decoded.get()), text.c_str());
}

TEST_F(CodecBytesTest, EncodesMethodCalls) {
  struct CallCase {
    const char* name;
    const char* method;
    FlValue* (*args)();
    const char* hex;
  };
  const CallCase cases[] = {
      {"map args", "ping",
       [] {
         FlValue* map = fl_value_new_map();
         fl_value_set_string_take(map, "x", fl_value_new_int(1));
         return map;
       },
       "07 04 70696e67 | 0d 01 | 07 01 78 | 03 01000000"},
      {"no args", "ab", [] { return static_cast<FlValue*>(nullptr); },
       "07 02 6162 | 00"},
      // The name takes three bytes, so the double after the type byte at
      // offset 3 needs four bytes of padding.
      {"float args", "a", [] { return fl_value_new_float(1.5); },
       "07 01 61 | 06 00000000 | 000000000000f83f"},
      {"int32 list args", "abc",
       [] {
         const int32_t data[] = {2};
         return fl_value_new_int32_list(data, 1);
       },
       "07 03 616263 | 09 01 00 | 02000000"},
  };
  for (const CallCase& c : cases) {
    SCOPED_TRACE(c.name);
    g_autoptr(FlValue) args = c.args();
    g_autoptr(GError) error = nullptr;
    g_autoptr(GBytes) message =
        Method()->encode_method_call(method_codec(), c.method, args, &error);
    ASSERT_NE(message, nullptr) << error->message;
    EXPECT_EQ(ToVector(message), Hex(c.hex));

    g_autofree gchar* name = nullptr;
    g_autoptr(FlValue) decoded_args = nullptr;
    ASSERT_TRUE(Method()->decode_method_call(method_codec(), message, &name,
                                             &decoded_args, &error))
        << error->message;
    EXPECT_STREQ(name, c.method);
    ASSERT_NE(decoded_args, nullptr);
    if (args == nullptr) {
      EXPECT_EQ(fl_value_get_type(decoded_args), FL_VALUE_TYPE_NULL);
    } else {
      EXPECT_TRUE(fl_value_equal(decoded_args, args));
    }
  }
}

TEST_F(CodecBytesTest, EncodesSuccessEnvelopes) {
  struct EnvelopeCase {
    const char* name;
    FlValue* (*result)();
    const char* hex;
  };
  const EnvelopeCase cases[] = {
      {"no result", [] { return static_cast<FlValue*>(nullptr); }, "00 00"},
      {"float", [] { return fl_value_new_float(1.5); },
       "00 06 000000000000 | 000000000000f83f"},
      {"2^31", [] { return fl_value_new_int(int64_t{1} << 31); },
       "00 04 00000080 00000000"},
      {"string", [] { return fl_value_new_string("ok"); }, "00 07 02 6f6b"},
  };
  for (const EnvelopeCase& c : cases) {
    SCOPED_TRACE(c.name);
    g_autoptr(FlValue) result = c.result();
    g_autoptr(GError) error = nullptr;
    g_autoptr(GBytes) message =
        Method()->encode_success_envelope(method_codec(), result, &error);
    ASSERT_NE(message, nullptr) << error->message;
    EXPECT_EQ(ToVector(message), Hex(c.hex));

    g_autoptr(FlMethodResponse) response =
        Method()->decode_response(method_codec(), message, &error);
    ASSERT_TRUE(FL_IS_METHOD_SUCCESS_RESPONSE(response));
    FlValue* decoded = fl_method_success_response_get_result(
        FL_METHOD_SUCCESS_RESPONSE(response));
    ASSERT_NE(decoded, nullptr);
    if (result == nullptr) {
      EXPECT_EQ(fl_value_get_type(decoded), FL_VALUE_TYPE_NULL);
    } else {
      EXPECT_TRUE(fl_value_equal(decoded, result));
    }
  }
}

TEST_F(CodecBytesTest, EncodesErrorEnvelopes) {
  g_autoptr(GError) error = nullptr;
  g_autoptr(GBytes) bare = Method()->encode_error_envelope(
      method_codec(), "E", nullptr, nullptr, &error);
  EXPECT_EQ(ToVector(bare), Hex("01 | 07 01 45 | 00 | 00"));

  g_autoptr(FlValue) details = fl_value_new_int(5);
  g_autoptr(GBytes) full = Method()->encode_error_envelope(
      method_codec(), "UNAVAILABLE", "m", details, &error);
  EXPECT_EQ(ToVector(full),
            Hex("01 | 07 0b 554e415641494c41424c45 | 07 01 6d | 03 05000000"));

  g_autoptr(FlMethodResponse) response =
      Method()->decode_response(method_codec(), full, &error);
  ASSERT_TRUE(FL_IS_METHOD_ERROR_RESPONSE(response));
  FlMethodErrorResponse* error_response = FL_METHOD_ERROR_RESPONSE(response);
  EXPECT_STREQ(fl_method_error_response_get_code(error_response),
               "UNAVAILABLE");
  EXPECT_STREQ(fl_method_error_response_get_message(error_response), "m");
  EXPECT_TRUE(fl_value_equal(
      fl_method_error_response_get_details(error_response), details));

  // A null message and null details come back as C NULLs.
  g_autoptr(FlMethodResponse) bare_response =
      Method()->decode_response(method_codec(), bare, &error);
  ASSERT_TRUE(FL_IS_METHOD_ERROR_RESPONSE(bare_response));
  EXPECT_EQ(fl_method_error_response_get_message(
                FL_METHOD_ERROR_RESPONSE(bare_response)),
            nullptr);
  EXPECT_EQ(fl_method_error_response_get_details(
                FL_METHOD_ERROR_RESPONSE(bare_response)),
            nullptr);
}

}  // namespace
}  // namespace testing
}  // namespace quorvel
