// The messenger and method channel lifecycle as a plugin sees it through
// the host engine: handlers, their destroy notifications, replies.

#include <flutter_linux/flutter_linux.h>
#include <flutter_linux_host/host_engine.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "embedding/wire.h"
#include "support/glib_log_guard.h"
#include "support/value_ptr.h"

namespace quorvel {
namespace testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

constexpr char kChannel[] = "test_channel";

// What a handler does with each call.
enum class Answer { kSuccess, kNull, kError, kNotImplemented, kNothing, kKeep };

// A handler's user data, recording what reached it.
struct Recorder {
  Answer answer = Answer::kSuccess;
  int calls = 0;
  int destroyed = 0;
  std::string method;
  FlValuePtr args;
  FlMethodCall* kept = nullptr;
};

void RecordCall(FlMethodChannel*, FlMethodCall* call, gpointer user_data) {
  Recorder* recorder = static_cast<Recorder*>(user_data);
  recorder->calls++;
  recorder->method = fl_method_call_get_name(call);
  recorder->args.reset(fl_value_ref(fl_method_call_get_args(call)));
  g_autoptr(FlValue) one = fl_value_new_int(1);
  switch (recorder->answer) {
    case Answer::kSuccess:
      EXPECT_TRUE(fl_method_call_respond_success(call, one, nullptr));
      break;
    case Answer::kNull:
      EXPECT_TRUE(fl_method_call_respond_success(call, nullptr, nullptr));
      break;
    case Answer::kError:
      EXPECT_TRUE(
          fl_method_call_respond_error(call, "E", nullptr, nullptr, nullptr));
      break;
    case Answer::kNotImplemented:
      EXPECT_TRUE(fl_method_call_respond_not_implemented(call, nullptr));
      break;
    case Answer::kNothing:
      break;
    case Answer::kKeep:
      recorder->kept = FL_METHOD_CALL(g_object_ref(call));
      break;
  }
}

void CountDestroy(gpointer user_data) {
  static_cast<Recorder*>(user_data)->destroyed++;
}

class MethodChannelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    engine_ = host_engine_new();
    codec_ = FL_METHOD_CODEC(fl_standard_method_codec_new());
  }
  void TearDown() override {
    g_clear_object(&engine_);
    g_clear_object(&codec_);
  }

  // A channel that only the messenger holds, as a plugin leaves it.
  void OpenChannel(Recorder* recorder, const char* name = kChannel) {
    g_autoptr(FlMethodChannel) channel =
        fl_method_channel_new(host_engine_get_messenger(engine_), name, codec_);
    fl_method_channel_set_method_call_handler(channel, RecordCall, recorder,
                                              CountDestroy);
  }

  GBytes* Call(const char* method, FlValue* args) {
    g_autoptr(GBytes) message =
        FL_METHOD_CODEC_GET_CLASS(codec_)->encode_method_call(codec_, method,
                                                              args, nullptr);
    return host_engine_send(engine_, kChannel, message);
  }

  // Members, not locals: the engine may release handlers in TearDown.
  Recorder recorder_;
  Recorder other_;
  HostEngine* engine_ = nullptr;
  FlMethodCodec* codec_ = nullptr;
};

TEST_F(MethodChannelTest, ShutdownReleasesTheHandlerOnce) {
  Recorder& recorder = recorder_;
  OpenChannel(&recorder);
  EXPECT_EQ(recorder.destroyed, 0);
  host_engine_shutdown(engine_);
  EXPECT_EQ(recorder.destroyed, 1);
  host_engine_shutdown(engine_);
  g_clear_object(&engine_);
  EXPECT_EQ(recorder.destroyed, 1);
}

TEST_F(MethodChannelTest, DroppingTheEngineReleasesTheHandler) {
  Recorder& recorder = recorder_;
  OpenChannel(&recorder);
  g_clear_object(&engine_);
  EXPECT_EQ(recorder.destroyed, 1);
}

TEST_F(MethodChannelTest, ReplacingTheHandlerReleasesTheOldOne) {
  Recorder& first = recorder_;
  Recorder& second = other_;
  g_autoptr(FlMethodChannel) channel = fl_method_channel_new(
      host_engine_get_messenger(engine_), kChannel, codec_);
  fl_method_channel_set_method_call_handler(channel, RecordCall, &first,
                                            CountDestroy);
  fl_method_channel_set_method_call_handler(channel, RecordCall, &second,
                                            CountDestroy);
  EXPECT_EQ(first.destroyed, 1);
  EXPECT_EQ(second.destroyed, 0);

  g_bytes_unref(Call("m", nullptr));
  EXPECT_EQ(first.calls, 0);
  EXPECT_EQ(second.calls, 1);

  host_engine_shutdown(engine_);
  EXPECT_EQ(first.destroyed, 1);
  EXPECT_EQ(second.destroyed, 1);
}

TEST_F(MethodChannelTest, TheMessengerKeepsTheChannelAlive) {
  bool finalized = false;
  Recorder& recorder = recorder_;
  FlMethodChannel* channel = fl_method_channel_new(
      host_engine_get_messenger(engine_), kChannel, codec_);
  g_object_weak_ref(
      G_OBJECT(channel),
      [](gpointer data, GObject*) { *static_cast<bool*>(data) = true; },
      &finalized);
  fl_method_channel_set_method_call_handler(channel, RecordCall, &recorder,
                                            CountDestroy);
  g_object_unref(channel);
  EXPECT_FALSE(finalized);

  g_bytes_unref(Call("m", nullptr));
  EXPECT_EQ(recorder.calls, 1);

  host_engine_shutdown(engine_);
  EXPECT_TRUE(finalized);
}

TEST_F(MethodChannelTest, ANewChannelOnTheSameNameTakesOver) {
  Recorder& old_channel = recorder_;
  Recorder& new_channel = other_;
  OpenChannel(&old_channel);
  OpenChannel(&new_channel);
  EXPECT_EQ(old_channel.destroyed, 1);

  g_bytes_unref(Call("m", nullptr));
  EXPECT_EQ(old_channel.calls, 0);
  EXPECT_EQ(new_channel.calls, 1);
}

TEST_F(MethodChannelTest, RepliesCarryTheEncodedEnvelope) {
  struct AnswerCase {
    Answer answer;
    const char* hex;
  };
  const AnswerCase cases[] = {
      {Answer::kSuccess, "00 03 01000000"},
      {Answer::kNull, "00 00"},
      {Answer::kError, "01 07 01 45 00 00"},
      {Answer::kNotImplemented, ""},
  };
  Recorder& recorder = recorder_;
  OpenChannel(&recorder);
  for (const AnswerCase& c : cases) {
    SCOPED_TRACE(c.hex);
    recorder.answer = c.answer;
    g_autoptr(GBytes) reply = Call("m", nullptr);
    ASSERT_NE(reply, nullptr);
    EXPECT_EQ(ToVector(reply), Hex(c.hex));
  }
}

TEST_F(MethodChannelTest, HandlerSeesNameAndArguments) {
  Recorder& recorder = recorder_;
  OpenChannel(&recorder);
  g_autoptr(FlValue) args = fl_value_new_map();
  fl_value_set_string_take(args, "x", fl_value_new_int(3));
  g_bytes_unref(Call("moveMouse", args));
  EXPECT_EQ(recorder.method, "moveMouse");
  EXPECT_TRUE(fl_value_equal(recorder.args.get(), args));

  // Without arguments the handler still gets a value: null.
  g_bytes_unref(Call("getMousePosition", nullptr));
  ASSERT_NE(recorder.args, nullptr);
  EXPECT_EQ(fl_value_get_type(recorder.args.get()), FL_VALUE_TYPE_NULL);
}

TEST_F(MethodChannelTest, AChannelWithoutHandlerRepliesEmpty) {
  g_autoptr(GBytes) message = ToBytes(Hex("07 01 6d 00"));
  g_autoptr(GBytes) reply = host_engine_send(engine_, "nobody", message);
  ASSERT_NE(reply, nullptr);
  EXPECT_EQ(g_bytes_get_size(reply), 0u);
}

TEST_F(MethodChannelTest, AnUnansweredCallIsReportedAndGetsNoReply) {
  Recorder& recorder = recorder_;
  recorder.answer = Answer::kNothing;
  OpenChannel(&recorder);
  LogCapture log;
  g_autoptr(GBytes) reply = Call("m", nullptr);
  EXPECT_EQ(reply, nullptr);
  EXPECT_THAT(
      log.Messages(G_LOG_LEVEL_CRITICAL),
      ElementsAre("FlBinaryMessengerResponseHandle was not responded to"));
}

TEST_F(MethodChannelTest, ARemovedHandlerLeavesCallsUnanswered) {
  Recorder& recorder = recorder_;
  g_autoptr(FlMethodChannel) channel = fl_method_channel_new(
      host_engine_get_messenger(engine_), kChannel, codec_);
  fl_method_channel_set_method_call_handler(channel, RecordCall, &recorder,
                                            CountDestroy);
  fl_method_channel_set_method_call_handler(channel, nullptr, nullptr, nullptr);
  EXPECT_EQ(recorder.destroyed, 1);
  LogCapture log;
  g_autoptr(GBytes) reply = Call("m", nullptr);
  EXPECT_EQ(reply, nullptr);
  EXPECT_EQ(recorder.calls, 0);
  EXPECT_EQ(log.Messages(G_LOG_LEVEL_CRITICAL).size(), 1u);
}

TEST_F(MethodChannelTest, ACallKeptForLaterCanStillBeAnswered) {
  Recorder& recorder = recorder_;
  recorder.answer = Answer::kKeep;
  OpenChannel(&recorder);
  LogCapture log;
  g_autoptr(GBytes) reply = Call("m", nullptr);
  EXPECT_EQ(reply, nullptr);
  ASSERT_NE(recorder.kept, nullptr);
  EXPECT_TRUE(fl_method_call_respond_success(recorder.kept, nullptr, nullptr));
  g_clear_object(&recorder.kept);
  EXPECT_THAT(log.Messages(G_LOG_LEVEL_CRITICAL), IsEmpty());
}

TEST_F(MethodChannelTest, AnsweringTwiceIsRefused) {
  Recorder& recorder = recorder_;
  recorder.answer = Answer::kKeep;
  OpenChannel(&recorder);
  g_bytes_unref(Call("m", nullptr));
  ASSERT_NE(recorder.kept, nullptr);
  EXPECT_TRUE(fl_method_call_respond_not_implemented(recorder.kept, nullptr));
  LogCapture log;
  EXPECT_FALSE(fl_method_call_respond_not_implemented(recorder.kept, nullptr));
  g_clear_object(&recorder.kept);
  EXPECT_THAT(log.Messages(G_LOG_LEVEL_CRITICAL),
              ElementsAre(HasSubstr("responded")));
}

TEST_F(MethodChannelTest, AnUndecodableCallWarnsAndRepliesEmpty) {
  Recorder& recorder = recorder_;
  OpenChannel(&recorder);
  const char* const messages[] = {"03 01000000 00", "07 01 6d", "07 01 6d 05",
                                  ""};
  for (const char* hex : messages) {
    SCOPED_TRACE(hex);
    LogCapture log;
    g_autoptr(GBytes) message = ToBytes(Hex(hex));
    g_autoptr(GBytes) reply = host_engine_send(engine_, kChannel, message);
    ASSERT_NE(reply, nullptr);
    EXPECT_EQ(g_bytes_get_size(reply), 0u);
    EXPECT_THAT(log.Messages(G_LOG_LEVEL_WARNING),
                ElementsAre(HasSubstr("Failed to decode method call")));
  }
  EXPECT_EQ(recorder.calls, 0);
}

TEST_F(MethodChannelTest, AHandlerSetAfterShutdownIsReleasedAtOnce) {
  g_autoptr(FlMethodChannel) channel = fl_method_channel_new(
      host_engine_get_messenger(engine_), kChannel, codec_);
  host_engine_shutdown(engine_);
  Recorder& recorder = recorder_;
  LogCapture log;
  fl_method_channel_set_method_call_handler(channel, RecordCall, &recorder,
                                            CountDestroy);
  EXPECT_EQ(recorder.destroyed, 1);
  EXPECT_THAT(log.Messages(G_LOG_LEVEL_WARNING),
              ElementsAre(HasSubstr("closed FlMethodChannel")));
}

TEST_F(MethodChannelTest, InvokingWithoutADartSideIsNotImplemented) {
  g_autoptr(FlMethodChannel) channel = fl_method_channel_new(
      host_engine_get_messenger(engine_), kChannel, codec_);
  struct Outcome {
    bool done = false;
    FlMethodResponse* response = nullptr;
  } outcome;
  fl_method_channel_invoke_method(
      channel, "hello", nullptr, nullptr,
      [](GObject* object, GAsyncResult* result, gpointer data) {
        Outcome* outcome = static_cast<Outcome*>(data);
        outcome->response = fl_method_channel_invoke_method_finish(
            FL_METHOD_CHANNEL(object), result, nullptr);
        outcome->done = true;
      },
      &outcome);
  while (!outcome.done) {
    g_main_context_iteration(nullptr, TRUE);
  }
  g_autoptr(FlMethodResponse) response = outcome.response;
  EXPECT_TRUE(FL_IS_METHOD_NOT_IMPLEMENTED_RESPONSE(response));
}

}  // namespace
}  // namespace testing
}  // namespace quorvel
