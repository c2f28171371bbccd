#include "backend/common/session_path.h"

#include <glib.h>
#include <gtest/gtest.h>

#include <string>

namespace quorvel {
namespace common {
namespace {

struct EscapeCase {
  std::string label;
  std::string escaped;
};

TEST(EscapeObjectPathLabelTest, EscapesLikeLogind) {
  const EscapeCase cases[] = {
      {"", "_"},
      {"c2", "c2"},
      {"3", "_33"},
      {"42", "_342"},
      {"auto", "auto"},
      {"CamelCase", "CamelCase"},
      {"_", "_5f"},
      {"a_b", "a_5fb"},
      {"a/b-c", "a_2fb_2dc"},
      {"with space", "with_20space"},
      {".", "_2e"},
      {std::string("\xc3\xa8", 2), "_c3_a8"},
      {std::string("\x01\x7f\xff", 3), "_01_7f_ff"},
      {std::string("a\0b", 3), "a_00b"},
  };
  for (const EscapeCase& c : cases) {
    EXPECT_EQ(EscapeObjectPathLabel(c.label), c.escaped)
        << "label \"" << c.label << "\"";
  }
}

TEST(EscapeObjectPathLabelTest, EscapesEveryByteButLettersAndLaterDigits) {
  for (int byte = 0; byte < 256; byte++) {
    std::string label(1, static_cast<char>(byte));
    bool letter = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z');
    bool digit = byte >= '0' && byte <= '9';
    char hex[4];
    snprintf(hex, sizeof hex, "_%02x", byte);
    EXPECT_EQ(EscapeObjectPathLabel(label), letter ? label : hex) << byte;
    EXPECT_EQ(EscapeObjectPathLabel("x" + label),
              "x" + ((letter || digit) ? label : std::string(hex)))
        << byte;
  }
}

TEST(SessionObjectPathTest, PutsTheEscapedIdUnderTheSessionPrefix) {
  EXPECT_EQ(SessionObjectPath("3"), "/org/freedesktop/login1/session/_33");
  EXPECT_EQ(SessionObjectPath("c2"), "/org/freedesktop/login1/session/c2");
  EXPECT_EQ(SessionObjectPath(""), "/org/freedesktop/login1/session/_");
  EXPECT_EQ(SessionObjectPath("a/b-c"),
            "/org/freedesktop/login1/session/a_2fb_2dc");
}

TEST(SessionObjectPathTest, AlwaysGivesAValidObjectPath) {
  const std::string ids[] = {"",   "3", "c2",  "a/b-c", "//",   "-",        "_",
                             "..", " ", "1/2", "\xff",  "a\tb", "session/3"};
  for (const std::string& id : ids) {
    EXPECT_TRUE(g_variant_is_object_path(SessionObjectPath(id).c_str()))
        << "id \"" << id << "\"";
  }
}

}  // namespace
}  // namespace common
}  // namespace quorvel
