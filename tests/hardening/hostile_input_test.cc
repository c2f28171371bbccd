// Hostile arguments for every method, through the channel as the engine
// delivers them: the readers' defaults apply, nothing crashes, nothing is
// logged but the known warnings, and (in the sanitizer build) nothing leaks.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "fuzz/sandbox.h"
#include "hardening/hostile_cases.h"
#include "support/environment.h"
#include "support/glib_log_guard.h"
#include "support/plugin_channel.h"
#include "support/x_server.h"

namespace quorvel {
namespace testing {
namespace {

constexpr char kUnknownMethod[] = "MoveMouse";

std::vector<uint8_t> Send(PluginChannel& channel, const std::string& bytes) {
  g_autoptr(GBytes) message = g_bytes_new(bytes.data(), bytes.size());
  g_autoptr(GBytes) reply = channel.SendRaw(message);
  if (reply == nullptr) {
    ADD_FAILURE() << "no reply";
    return {};
  }
  gsize size = 0;
  const auto* data =
      static_cast<const uint8_t*>(g_bytes_get_data(reply, &size));
  return std::vector<uint8_t>(data, data + size);
}

// A success envelope holding the string `text` (shorter than 254 bytes).
// Sized once and filled in place: growing a three-byte vector with insert()
// makes g++ 12 at -O2 misjudge the bounds of the copy into the reallocated
// buffer and report a false -Warray-bounds.
std::vector<uint8_t> StringReply(const std::string& text) {
  std::vector<uint8_t> bytes(3 + text.size());
  bytes[0] = 0x00;  // success
  bytes[1] = 0x07;  // string
  bytes[2] = static_cast<uint8_t>(text.size());
  std::copy(text.begin(), text.end(), bytes.begin() + 3);
  return bytes;
}

const std::vector<uint8_t> kNullReply = {0x00, 0x00};
const std::vector<uint8_t> kFalseReply = {0x00, 0x02};
const std::vector<uint8_t> kTrueReply = {0x00, 0x01};
const std::vector<uint8_t> kEmptyListReply = {0x00, 0x0c, 0x00};

class HostileInputTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(fuzz::IsolateFromSession()); }
};

// Without a display no reply depends on the arguments, so each hostile call
// must be answered exactly as the same call without arguments.
TEST_F(HostileInputTest, NoDisplayRepliesAsWithoutArguments) {
  LogCapture logs;
  PluginChannel channel;

  std::vector<std::string> names = MethodNames();
  names.push_back(kUnknownMethod);
  std::vector<std::vector<uint8_t>> baseline;
  for (const std::string& name : names) {
    baseline.push_back(Send(channel, EncodeCall(name, nullptr)));
  }
  // The empty answers of a backend without a display.
  EXPECT_EQ(baseline[5], StringReply("0:0"));  // getMouseCoords
  EXPECT_EQ(baseline[6], StringReply("0:0"));  // screenSize
  EXPECT_EQ(baseline[7], kEmptyListReply);     // screenList
  EXPECT_EQ(baseline[18], kFalseReply);        // keyboardPress
  EXPECT_EQ(baseline[2], kNullReply);          // lockScreen
  EXPECT_EQ(baseline[19], kNullReply);         // openDirectory
  EXPECT_TRUE(baseline.back().empty());        // not implemented

  for (const HostileCase& hostile : HostileCases()) {
    for (size_t i = 0; i < names.size(); ++i) {
      SCOPED_TRACE(hostile.label + " / " + names[i]);
      std::vector<uint8_t> reply = Send(channel, hostile.encode(names[i]));
      if (hostile.rejected) {
        EXPECT_TRUE(reply.empty());
      } else {
        EXPECT_EQ(reply, baseline[i]);
      }
    }
  }
  ExpectOnlyKnownWarnings(logs);
}

// A hostile method name is just another unknown method.
TEST_F(HostileInputTest, HostileMethodNamesAreNotImplemented) {
  LogCapture logs;
  PluginChannel channel;
  const std::string names[] = {std::string(1 << 20, 'm'), "\xff\xfe",
                               "moveMouse ", "movemouse", ""};
  for (const std::string& name : names) {
    EXPECT_TRUE(Send(channel, EncodeCall(name, nullptr)).empty());
  }
  // The name ends at a NUL on the wire only through the decoder: the text
  // after it is not looked at, so "moveMouse\0x" is "moveMouse".
  std::string bytes = EncodeCall("moveMouse#x", nullptr);
  bytes[bytes.find('#')] = '\0';
  EXPECT_EQ(Send(channel, bytes), kNullReply);
  ExpectOnlyKnownWarnings(logs);
}

// On a display the replies depend on the server; what is checked is that
// every call is answered with success, the connection survives, and the
// string readers stop at a NUL ("a\0b" types "a").
TEST_F(HostileInputTest, XvfbAnswersEveryHostileCall) {
  std::string error;
  std::unique_ptr<XServer> server = XServer::Start({}, &error);
  if (!server) {
    QUORVEL_SKIP_OR_FAIL(error);
  }
  ScopedEnv display("DISPLAY", server->display_name());
  LogCapture logs;
  PluginChannel channel;

  for (const HostileCase& hostile : HostileCases()) {
    // A NaN delta reads as -2^31: that many wheel notches is the caller's
    // to avoid, and this test's to not send.
    if (hostile.has_huge_delta) {
      continue;
    }
    for (const std::string& name : MethodNames()) {
      SCOPED_TRACE(hostile.label + " / " + name);
      std::vector<uint8_t> reply = Send(channel, hostile.encode(name));
      if (hostile.rejected) {
        EXPECT_TRUE(reply.empty());
        continue;
      }
      ASSERT_FALSE(reply.empty());
      EXPECT_EQ(reply[0], 0x00) << "not a success envelope";
      if (name == "keyboardPress") {
        EXPECT_EQ(reply,
                  hostile.label == "embedded NUL" ? kTrueReply : kFalseReply);
      }
    }
    EXPECT_TRUE(Send(channel, hostile.encode(kUnknownMethod)).empty());
  }

  // Still connected and answering from the server.
  EXPECT_EQ(Send(channel, EncodeCall("screenSize", nullptr)),
            StringReply("1280:1024"));
  ExpectOnlyKnownWarnings(logs);
}

}  // namespace
}  // namespace testing
}  // namespace quorvel
