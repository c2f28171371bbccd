#include "driver/call_parser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver/value_format.h"

namespace quorvel {
namespace driver {
namespace {

struct Accepted {
  const char* line;
  const char* method;
  const char* args;  // as FormatValue writes it; "null" for no arguments
};

// Values are compared in the driver's own text form, which tells an integer
// (1000) from a float (1000.0) and a string ("1") from a number.
TEST(CallParser, AcceptsEveryValueForm) {
  const Accepted cases[] = {
      {"screenList", "screenList", "null"},
      {"  screenSize  ", "screenSize", "null"},
      {"moveMouse x=100 y=200", "moveMouse", "{x: 100, y: 200}"},
      {"wheelMouse x=0 y=0 delta=-3", "wheelMouse", "{x: 0, y: 0, delta: -3}"},
      {"m x=+7", "m", "{x: 7}"},
      {"m x=010", "m", "{x: 10}"},
      {"m key=0x24", "m", "{key: 36}"},
      {"m key=-0X1f", "m", "{key: -31}"},
      {"m x=9223372036854775807", "m", "{x: 9223372036854775807}"},
      {"m x=-9223372036854775808", "m", "{x: -9223372036854775808}"},
      {"m x=10.5", "m", "{x: 10.5}"},
      {"m x=1e3", "m", "{x: 1000.0}"},
      {"m x=-.5", "m", "{x: -0.5}"},
      {"m x=2.", "m", "{x: 2.0}"},
      {"m x=2.5E-1", "m", "{x: 0.25}"},
      {"m a=true b=false c=null", "m", "{a: true, b: false, c: null}"},
      {"m c=\"a b\"", "m", "{c: \"a b\"}"},
      {"m c='x'", "m", "{c: \"x\"}"},
      {"m c=\"1\"", "m", "{c: \"1\"}"},
      {"m c=\"true\"", "m", "{c: \"true\"}"},
      {"m c=\"\"", "m", "{c: \"\"}"},
      {R"(m c="say \"hi\" \\ ok")", "m", R"({c: "say \"hi\" \\ ok"})"},
      {R"(m c="tab\there\n")", "m", R"({c: "tab\there\n"})"},
      {R"(m c='a\b "q"')", "m", R"({c: "a\\b \"q\""})"},
      {"m c=\"'\"", "m", "{c: \"'\"}"},
      {"keyboardPress char=è", "keyboardPress", "{char: \"è\"}"},
      {"m c=€", "m", "{c: \"€\"}"},
      {"m c=- d=. e=+ f=-x", "m", "{c: \"-\", d: \".\", e: \"+\", f: \"-x\"}"},
      {"m c=abc", "m", "{c: \"abc\"}"},
      {"m c==", "m", "{c: \"=\"}"},
      {"m c=a=b", "m", "{c: \"a=b\"}"},
      {"m c=#", "m", "{c: \"#\"}"},
      {"m c=\"# not a comment\"", "m", "{c: \"# not a comment\"}"},
      {"m c=\"{\" t=Down", "m", "{c: \"{\", t: \"Down\"}"},
      {"m\tx=1\r", "m", "{x: 1}"},
      {"m x=1 # move there", "m", "{x: 1}"},
      {"\"quoted name\" x=1", "quoted name", "{x: 1}"},
  };
  for (const Accepted& test : cases) {
    SCOPED_TRACE(test.line);
    Call call;
    std::string error;
    ASSERT_TRUE(ParseCallLine(test.line, &call, &error)) << error;
    EXPECT_EQ(call.method, test.method);
    EXPECT_EQ(FormatValue(call.args.get()), test.args);
  }
}

TEST(CallParser, ValuesHaveTheCodecTypes) {
  Call call;
  std::string error;
  ASSERT_TRUE(ParseCallLine("m i=1 f=1.0 s='1' b=true n=null", &call, &error));
  FlValue* args = call.args.get();
  ASSERT_EQ(fl_value_get_type(args), FL_VALUE_TYPE_MAP);
  EXPECT_EQ(fl_value_get_type(fl_value_lookup_string(args, "i")),
            FL_VALUE_TYPE_INT);
  EXPECT_EQ(fl_value_get_type(fl_value_lookup_string(args, "f")),
            FL_VALUE_TYPE_FLOAT);
  EXPECT_EQ(fl_value_get_type(fl_value_lookup_string(args, "s")),
            FL_VALUE_TYPE_STRING);
  EXPECT_EQ(fl_value_get_type(fl_value_lookup_string(args, "b")),
            FL_VALUE_TYPE_BOOL);
  EXPECT_EQ(fl_value_get_type(fl_value_lookup_string(args, "n")),
            FL_VALUE_TYPE_NULL);
  // Argument order is kept, as a Dart map literal keeps it.
  EXPECT_STREQ(fl_value_get_string(fl_value_get_map_key(args, 0)), "i");
  EXPECT_STREQ(fl_value_get_string(fl_value_get_map_key(args, 4)), "n");
}

TEST(CallParser, BlankAndCommentLinesHoldNoCall) {
  for (const char* line : {"", "   ", "\t", "# a comment", "  #x=1 y"}) {
    SCOPED_TRACE(line);
    Call call;
    std::string error;
    ASSERT_TRUE(ParseCallLine(line, &call, &error)) << error;
    EXPECT_TRUE(call.method.empty());
    EXPECT_EQ(call.args, nullptr);
  }
}

struct Rejected {
  const char* line;
  const char* error;
};

TEST(CallParser, RejectsMalformedLinesWithAMessage) {
  const Rejected cases[] = {
      {"m x", "'x' is not key=value"},
      {"m =5", "missing key in '=5'"},
      {"m x=", "missing value in 'x=' (write \"\" for an empty string)"},
      {"m x=12abc",
       "bad number in 'x=12abc' (quote the value to send it as a string)"},
      {"m x=1.2.3",
       "bad number in 'x=1.2.3' (quote the value to send it as a string)"},
      {"m x=-5a",
       "bad number in 'x=-5a' (quote the value to send it as a string)"},
      {"m x=1e",
       "bad number in 'x=1e' (quote the value to send it as a string)"},
      {"m x=.5.",
       "bad number in 'x=.5.' (quote the value to send it as a string)"},
      {"m x=0x",
       "bad number in 'x=0x' (quote the value to send it as a string)"},
      {"m x=9223372036854775808",
       "integer out of the 64-bit range in 'x=9223372036854775808'"},
      {"m x=1e999", "float out of range in 'x=1e999'"},
      {"m char=\"abc", "unbalanced quote in 'char=\"abc'"},
      {"m char='abc x=1", "unbalanced quote in 'char='abc x=1'"},
      {"m c=\"a\\\"", "unbalanced quote in 'c=\"a\\\"'"},
      {"m c=l'acqua", "unbalanced quote in 'c=l'acqua'"},
      {"m c=\"a\"b", "text after the closing quote in 'c=\"a\"b'"},
      {"m c=ab\"c d\"", "quote inside an unquoted value in 'c=ab\"c d\"'"},
      {"m c=\"\\q\"",
       "unknown escape \\q in 'c=\"\\q\"' (known: \\\" \\\\ \\n \\t)"},
      {"m \"k\"=1", "quote in the key of '\"k\"=1'"},
      {"m x=1 x=2", "duplicate key 'x'"},
      {"x=1 moveMouse", "the method name comes first, not 'x=1'"},
      {"\"\" x=1", "empty method name"},
  };
  for (const Rejected& test : cases) {
    SCOPED_TRACE(test.line);
    Call call;
    std::string error;
    EXPECT_FALSE(ParseCallLine(test.line, &call, &error));
    EXPECT_EQ(error, test.error);
    // Nothing that could be sent is left behind.
    EXPECT_TRUE(call.method.empty());
    EXPECT_EQ(call.args, nullptr);
  }
}

TEST(CallParser, WordsFromTheShellKeepTheirBlanks) {
  Call call;
  std::string error;
  ASSERT_TRUE(ParseCallWords({"keyboardPress", "char=a b"}, &call, &error));
  EXPECT_EQ(call.method, "keyboardPress");
  EXPECT_EQ(FormatValue(call.args.get()), "{char: \"a b\"}");
}

TEST(CallParser, WordsUseTheValueRules) {
  Call call;
  std::string error;
  ASSERT_TRUE(
      ParseCallWords({"m", "c=\"1\"", "n=1", "e=è", "d=-3"}, &call, &error));
  EXPECT_EQ(FormatValue(call.args.get()), "{c: \"1\", n: 1, e: \"è\", d: -3}");
  EXPECT_FALSE(ParseCallWords({"m", "x=12abc"}, &call, &error));
  EXPECT_EQ(error,
            "bad number in 'x=12abc' (quote the value to send it as a string)");
  EXPECT_TRUE(call.method.empty());
}

}  // namespace
}  // namespace driver
}  // namespace quorvel
