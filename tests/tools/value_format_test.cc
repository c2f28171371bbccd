#include "driver/value_format.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quorvel {
namespace driver {
namespace {

GBytes* Bytes(const std::vector<guint8>& data) {
  return g_bytes_new(data.data(), data.size());
}

struct ReplyCase {
  std::vector<guint8> bytes;
  bool success;
  const char* text;
};

TEST(ValueFormat, ReplyLines) {
  const ReplyCase cases[] = {
      {{0x00, 0x00}, true, "success null"},
      {{0x00, 0x01}, true, "success true"},
      {{0x00, 0x03, 0x00, 0x00, 0x00, 0x00}, true, "success 0"},
      {{0x00, 0x04, 0x00, 0x00, 0x00, 0x80, 0x00, 0x00, 0x00, 0x00},
       true,
       "success 2147483648"},
      {{0x00, 0x07, 0x01, 0x31}, true, "success \"1\""},
      {{0x00, 0x0c, 0x01, 0x07, 0x03, 0x31, 0x40, 0x32},
       true,
       "success [\"1@2\"]"},
      {{0x00, 0x0c, 0x00}, true, "success []"},
      {{0x00, 0x06, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xf8, 0x3f},
       true,
       "success 1.5"},
      {{0x01, 0x07, 0x01, 0x45, 0x00, 0x00}, false, "error E"},
      {{0x01, 0x07, 0x01, 0x45, 0x07, 0x02, 0x6f, 0x6b, 0x03, 0x01, 0x00, 0x00,
        0x00},
       false,
       "error E: ok details: 1"},
      {{}, false, "not implemented"},
      {{0x05}, false, "undecodable reply: Unknown envelope type 5"},
  };
  for (const ReplyCase& test : cases) {
    SCOPED_TRACE(test.text);
    g_autoptr(GBytes) bytes = Bytes(test.bytes);
    std::string text;
    EXPECT_EQ(FormatReply(bytes, &text), test.success);
    if (g_str_has_prefix(test.text, "undecodable")) {
      // The codec's own wording follows the prefix.
      EXPECT_TRUE(g_str_has_prefix(text.c_str(), "undecodable reply: "))
          << text;
    } else {
      EXPECT_EQ(text, test.text);
    }
  }
}

TEST(ValueFormat, NoReplyIsAFailure) {
  std::string text;
  EXPECT_FALSE(FormatReply(nullptr, &text));
  EXPECT_EQ(text, "no reply (the handler returned without responding)");
}

TEST(ValueFormat, StringsAreQuotedWithEscapes) {
  g_autoptr(FlValue) value = fl_value_new_string("a\"b\\c\nd\te\x01 è");
  EXPECT_EQ(FormatValue(value), R"("a\"b\\c\nd\te\x01 è")");
}

TEST(ValueFormat, FloatsAlwaysLookLikeFloats) {
  g_autoptr(FlValue) whole = fl_value_new_float(1000.0);
  g_autoptr(FlValue) fraction = fl_value_new_float(-0.125);
  EXPECT_EQ(FormatValue(whole), "1000.0");
  EXPECT_EQ(FormatValue(fraction), "-0.125");
}

TEST(ValueFormat, MapKeysAreBareOnlyWhenPlain) {
  g_autoptr(FlValue) map = fl_value_new_map();
  fl_value_set_string_take(map, "x", fl_value_new_int(1));
  fl_value_set_string_take(map, "a b", fl_value_new_int(2));
  fl_value_set_take(map, fl_value_new_int(3), fl_value_new_null());
  EXPECT_EQ(FormatValue(map), "{x: 1, \"a b\": 2, 3: null}");
}

TEST(ValueFormat, CallsWithoutArgumentsShowOnlyTheName) {
  g_autoptr(FlValue) args = fl_value_new_map();
  fl_value_set_string_take(args, "char", fl_value_new_string("è"));
  EXPECT_EQ(FormatCall("screenList", nullptr), "screenList");
  EXPECT_EQ(FormatCall("keyboardPress", args), "keyboardPress {char: \"è\"}");
}

TEST(ValueFormat, HexBytes) {
  g_autoptr(GBytes) bytes = Bytes({0x00, 0x07, 0x01, 0x31, 0xff});
  EXPECT_EQ(HexBytes(bytes), "00 07 01 31 ff");
}

}  // namespace
}  // namespace driver
}  // namespace quorvel
