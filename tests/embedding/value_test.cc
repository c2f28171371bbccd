// FlValue and method-response behaviour the plugin's code relies on,
// including the misuse that the engine answers with a GLib critical.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "support/glib_log_guard.h"
#include "support/value_ptr.h"

namespace quorvel {
namespace testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

std::string ToString(FlValue* value) {
  g_autofree gchar* text = fl_value_to_string(value);
  return text;
}

TEST(FlValueTest, LookupOnANonMapLogsACriticalAndFindsNothing) {
  FlValue* (*const non_maps[])() = {
      [] { return fl_value_new_null(); },
      [] { return fl_value_new_int(1); },
      [] { return fl_value_new_list(); },
      [] { return fl_value_new_string("key"); },
  };
  for (auto make : non_maps) {
    FlValuePtr value(make());
    SCOPED_TRACE(ToString(value.get()));
    LogCapture log;
    EXPECT_EQ(fl_value_lookup_string(value.get(), "key"), nullptr);
    EXPECT_THAT(log.Messages(G_LOG_LEVEL_CRITICAL),
                ElementsAre(HasSubstr(
                    "assertion 'self->type == FL_VALUE_TYPE_MAP' failed")));
  }
}

TEST(FlValueTest, LookupOfAnAbsentKeyIsSilent) {
  FlValuePtr map(fl_value_new_map());
  fl_value_set_take(map.get(), fl_value_new_int(1), fl_value_new_bool(true));
  LogCapture log;
  EXPECT_EQ(fl_value_lookup_string(map.get(), "x"), nullptr);
  // Only string keys match a string lookup.
  EXPECT_EQ(fl_value_lookup_string(map.get(), "1"), nullptr);
  EXPECT_THAT(log.records(), IsEmpty());
}

TEST(FlValueTest, NullPointerReadsAsNullTypeWithACritical) {
  LogCapture log;
  EXPECT_EQ(fl_value_get_type(nullptr), FL_VALUE_TYPE_NULL);
  EXPECT_THAT(log.Messages(G_LOG_LEVEL_CRITICAL),
              ElementsAre(HasSubstr("assertion 'self != nullptr' failed")));
}

TEST(FlValueTest, GettersOfTheWrongTypeLogAndReturnTheDefault) {
  FlValuePtr integer(fl_value_new_int(10));
  FlValuePtr real(fl_value_new_float(10.9));
  LogCapture log;
  EXPECT_EQ(fl_value_get_float(integer.get()), 0.0);
  EXPECT_EQ(fl_value_get_int(real.get()), 0);
  EXPECT_EQ(fl_value_get_string(integer.get()), nullptr);
  EXPECT_FALSE(fl_value_get_bool(integer.get()));
  EXPECT_EQ(fl_value_get_length(integer.get()), 0u);
  EXPECT_EQ(log.Messages(G_LOG_LEVEL_CRITICAL).size(), 5u);
}

TEST(FlValueTest, EqualityNeedsTheSameType) {
  FlValuePtr one(fl_value_new_int(1));
  FlValuePtr one_point_oh(fl_value_new_float(1.0));
  FlValuePtr other_one(fl_value_new_int(1));
  EXPECT_FALSE(fl_value_equal(one.get(), one_point_oh.get()));
  EXPECT_TRUE(fl_value_equal(one.get(), other_one.get()));

  const int32_t ints[] = {1, 2};
  const int64_t longs[] = {1, 2};
  FlValuePtr int32s(fl_value_new_int32_list(ints, 2));
  FlValuePtr int64s(fl_value_new_int64_list(longs, 2));
  EXPECT_FALSE(fl_value_equal(int32s.get(), int64s.get()));
}

TEST(FlValueTest, MapsCompareRegardlessOfOrderListsDoNot) {
  FlValuePtr ab(fl_value_new_map());
  fl_value_set_string_take(ab.get(), "a", fl_value_new_int(1));
  fl_value_set_string_take(ab.get(), "b", fl_value_new_int(2));
  FlValuePtr ba(fl_value_new_map());
  fl_value_set_string_take(ba.get(), "b", fl_value_new_int(2));
  fl_value_set_string_take(ba.get(), "a", fl_value_new_int(1));
  EXPECT_TRUE(fl_value_equal(ab.get(), ba.get()));
  fl_value_set_string_take(ba.get(), "a", fl_value_new_int(3));
  EXPECT_FALSE(fl_value_equal(ab.get(), ba.get()));

  FlValuePtr list12(fl_value_new_list());
  fl_value_append_take(list12.get(), fl_value_new_int(1));
  fl_value_append_take(list12.get(), fl_value_new_int(2));
  FlValuePtr list21(fl_value_new_list());
  fl_value_append_take(list21.get(), fl_value_new_int(2));
  fl_value_append_take(list21.get(), fl_value_new_int(1));
  EXPECT_FALSE(fl_value_equal(list12.get(), list21.get()));
}

TEST(FlValueTest, MapKeepsInsertionOrderAndReplacesInPlace) {
  FlValuePtr map(fl_value_new_map());
  fl_value_set_string_take(map.get(), "z", fl_value_new_int(1));
  fl_value_set_string_take(map.get(), "a", fl_value_new_int(2));
  fl_value_set_string_take(map.get(), "m", fl_value_new_int(3));
  fl_value_set_string_take(map.get(), "z", fl_value_new_string("again"));
  EXPECT_EQ(ToString(map.get()), "{z: again, a: 2, m: 3}");
  ASSERT_EQ(fl_value_get_length(map.get()), 3u);
  EXPECT_STREQ(fl_value_get_string(fl_value_get_map_key(map.get(), 2)), "m");
  EXPECT_STREQ(fl_value_get_string(fl_value_lookup_string(map.get(), "z")),
               "again");
}

TEST(FlValueTest, SetAndAppendRefWhileTakeVariantsTakeOver) {
  FlValuePtr child(fl_value_new_string("kept"));
  FlValuePtr list(fl_value_new_list());
  FlValuePtr map(fl_value_new_map());
  fl_value_append(list.get(), child.get());
  fl_value_set_string(map.get(), "k", child.get());
  fl_value_set(map.get(), child.get(), child.get());
  list.reset();
  map.reset();
  // Still ours: the containers held references of their own.
  EXPECT_STREQ(fl_value_get_string(child.get()), "kept");
}

TEST(FlValueTest, TakeOnTheWrongContainerLogsACritical) {
  FlValuePtr not_a_list(fl_value_new_map());
  FlValuePtr child(fl_value_new_int(1));
  LogCapture log;
  fl_value_append(not_a_list.get(), child.get());
  EXPECT_THAT(log.Messages(G_LOG_LEVEL_CRITICAL),
              ElementsAre(HasSubstr("FL_VALUE_TYPE_LIST")));
}

TEST(FlValueTest, SizedStringsStopAtLengthOrNul) {
  FlValuePtr cut(fl_value_new_string_sized("abcdef", 3));
  FlValuePtr embedded(fl_value_new_string_sized("ab\0cd", 5));
  FlValuePtr empty(fl_value_new_string_sized(nullptr, 0));
  EXPECT_STREQ(fl_value_get_string(cut.get()), "abc");
  EXPECT_STREQ(fl_value_get_string(embedded.get()), "ab");
  EXPECT_STREQ(fl_value_get_string(empty.get()), "");
}

TEST(FlValueTest, PrintsLikeDart) {
  struct PrintCase {
    FlValue* (*make)();
    const char* text;
  };
  const PrintCase cases[] = {
      {[] { return fl_value_new_null(); }, "null"},
      {[] { return fl_value_new_bool(true); }, "true"},
      {[] { return fl_value_new_int(-42); }, "-42"},
      {[] { return fl_value_new_float(1.0); }, "1.0"},
      {[] { return fl_value_new_float(-2.5); }, "-2.5"},
      {[] { return fl_value_new_float(3.14159265358979311600); },
       "3.1415926535897931"},
      {[] { return fl_value_new_string("text"); }, "text"},
      {[] {
         const uint8_t bytes[] = {1, 2};
         return fl_value_new_uint8_list(bytes, 2);
       },
       "[1, 2]"},
      {[] {
         const double reals[] = {0.5, 2};
         return fl_value_new_float_list(reals, 2);
       },
       "[0.5, 2.0]"},
      {[] {
         const gchar* const strv[] = {"a", "b", nullptr};
         return fl_value_new_list_from_strv(strv);
       },
       "[a, b]"},
      {[] {
         FlValue* map = fl_value_new_map();
         fl_value_set_string_take(map, "x", fl_value_new_list());
         return map;
       },
       "{x: []}"},
  };
  for (const PrintCase& c : cases) {
    FlValuePtr value(c.make());
    EXPECT_EQ(ToString(value.get()), c.text);
  }
}

TEST(FlMethodResponseTest, ResponsesRefTheirValues) {
  FlValuePtr result(fl_value_new_string("r"));
  FlValuePtr details(fl_value_new_string("d"));
  g_autoptr(FlMethodSuccessResponse) success =
      fl_method_success_response_new(result.get());
  g_autoptr(FlMethodErrorResponse) failure =
      fl_method_error_response_new("CODE", nullptr, details.get());
  EXPECT_EQ(fl_method_success_response_get_result(success), result.get());
  EXPECT_EQ(fl_method_error_response_get_details(failure), details.get());
  g_clear_object(&success);
  g_clear_object(&failure);
  // Ours again after the responses are gone.
  EXPECT_STREQ(fl_value_get_string(result.get()), "r");
  EXPECT_STREQ(fl_value_get_string(details.get()), "d");
}

TEST(FlMethodResponseTest, GetResultBorrowsOrReportsTheFailure) {
  FlValuePtr result(fl_value_new_int(7));
  g_autoptr(FlMethodResponse) success =
      FL_METHOD_RESPONSE(fl_method_success_response_new(result.get()));
  g_autoptr(GError) error = nullptr;
  EXPECT_EQ(fl_method_response_get_result(success, &error), result.get());
  EXPECT_EQ(error, nullptr);

  g_autoptr(FlMethodResponse) empty =
      FL_METHOD_RESPONSE(fl_method_success_response_new(nullptr));
  EXPECT_EQ(fl_method_response_get_result(empty, &error), nullptr);
  EXPECT_EQ(error, nullptr);

  g_autoptr(FlMethodResponse) failure = FL_METHOD_RESPONSE(
      fl_method_error_response_new("UNAVAILABLE", "gone", nullptr));
  EXPECT_EQ(fl_method_response_get_result(failure, &error), nullptr);
  ASSERT_NE(error, nullptr);
  EXPECT_TRUE(g_error_matches(error, FL_METHOD_RESPONSE_ERROR,
                              FL_METHOD_RESPONSE_ERROR_REMOTE_ERROR));
  EXPECT_THAT(error->message, HasSubstr("UNAVAILABLE: gone"));
  g_clear_error(&error);

  g_autoptr(FlMethodResponse) missing =
      FL_METHOD_RESPONSE(fl_method_not_implemented_response_new());
  EXPECT_EQ(fl_method_response_get_result(missing, &error), nullptr);
  EXPECT_TRUE(g_error_matches(error, FL_METHOD_RESPONSE_ERROR,
                              FL_METHOD_RESPONSE_ERROR_NOT_IMPLEMENTED));
}

TEST(FlMethodResponseTest, ErrorResponseNeedsACode) {
  LogCapture log;
  EXPECT_EQ(fl_method_error_response_new(nullptr, "m", nullptr), nullptr);
  EXPECT_EQ(log.Messages(G_LOG_LEVEL_CRITICAL).size(), 1u);
}

}  // namespace
}  // namespace testing
}  // namespace quorvel
