// Key events as the X server receives them: every macOS key through the
// channel, the hold between press and release, and modifiers around a key.

#include <X11/keysym.h>
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "backend/backend.h"
#include "keys/expected_mac_keys.h"
#include "keys/key_recording.h"
#include "keys/scoped_alarm.h"
#include "support/environment.h"
#include "support/plugin_channel.h"
#include "support/record_observer.h"
#include "support/x_server.h"

// Xlib comes in through the fixtures, after gtest (X.h's None macro breaks
// it) and after backend.h. X.h's KeyPress event-type macro would still
// rename Backend::KeyPress in the calls below.
#undef KeyPress

namespace quorvel {
namespace {

using testing::Down;
using testing::KeyEvents;
using testing::KeyStroke;
using testing::PluginChannel;
using testing::RecordObserver;
using testing::ScopedEnv;
using testing::SentStrokes;
using testing::Strokes;
using testing::Up;
using testing::XServer;

constexpr unsigned long kHoldMs = 15;

// The "key" argument is a 32-bit int on the channel; codes above 2^31 - 1
// travel as their negative two's-complement twin.
FlValue* KeyArgs(uint32_t code, const char* type = nullptr) {
  FlValue* args = fl_value_new_map();
  fl_value_set_string_take(args, "key",
                           fl_value_new_int(static_cast<int32_t>(code)));
  if (type) {
    fl_value_set_string_take(args, "type", fl_value_new_string(type));
  }
  return args;
}

class KeyEventsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { server_ = XServer::Start(); }
  static void TearDownTestSuite() { server_.reset(); }

  void SetUp() override {
    if (!server_) {
      QUORVEL_SKIP_OR_FAIL("Xvfb could not be started");
    }
    ASSERT_EQ(server_->Run("setxkbmap us"), 0);
    display_env_ =
        std::make_unique<ScopedEnv>("DISPLAY", server_->display_name());
    // Opened after the layout is set: a connection keeps the keymap it saw
    // first.
    keymap_ = server_->Connect();
    ASSERT_TRUE(keymap_);
    std::string error;
    observer_ = RecordObserver::Start(server_->display_name(), &error);
    ASSERT_TRUE(observer_) << error;
  }

  // The keycode the server's keymap gives `keysym`, as the plugin must find.
  unsigned Keycode(KeySym keysym) const {
    return XKeysymToKeycode(keymap_.get(), keysym);
  }

  // What reached the server since the last call. The plugin's connection
  // only flushes, so it first makes one round trip on that connection: the
  // server has then dispatched every request it sent before.
  std::vector<testing::XRecordEntry> Recorded(PluginChannel& channel) {
    channel.Invoke("getMouseCoords");
    return observer_->Collect();
  }
  std::vector<testing::XRecordEntry> Recorded(Backend& backend) {
    int32_t x = 0;
    int32_t y = 0;
    backend.GetMouseCoords(&x, &y);
    return observer_->Collect();
  }

  static std::unique_ptr<XServer> server_;
  std::unique_ptr<ScopedEnv> display_env_;
  testing::DisplayPtr keymap_;
  std::unique_ptr<RecordObserver> observer_;
};

std::unique_ptr<XServer> KeyEventsTest::server_;

TEST_F(KeyEventsTest, KeyboardClickPressesAndReleasesEveryMacKey) {
  PluginChannel channel;
  Recorded(channel);
  for (const auto& key : testing::kExpectedMacKeys) {
    SCOPED_TRACE(key.mac_name);
    const unsigned keycode = Keycode(key.keysym);
    ASSERT_NE(keycode, 0u) << "Xvfb's US keymap lacks the KeySym";

    channel.Invoke("keyboardClick", KeyArgs(key.mac_code));

    EXPECT_EQ(Strokes(Recorded(channel)),
              (std::vector<KeyStroke>{Down(keycode), Up(keycode)}));
  }
}

TEST_F(KeyEventsTest, KeyboardClickWithCodesOutsideTheTableSendsNothing) {
  PluginChannel channel;
  Recorded(channel);
  for (uint32_t code : testing::kUnmappedMacCodes) {
    // The hold is kept even with nothing to hold, so pacing stays the same.
    const auto start = std::chrono::steady_clock::now();
    channel.Invoke("keyboardClick", KeyArgs(code));
    EXPECT_GE(std::chrono::steady_clock::now() - start,
              std::chrono::milliseconds(kHoldMs));
    channel.Invoke("keyboardClick", KeyArgs(code, "Down"));
    channel.Invoke("keyboardClick", KeyArgs(code, "Up"));
    const auto recorded = Recorded(channel);
    EXPECT_TRUE(recorded.empty()) << "code 0x" << std::hex << code << ":\n"
                                  << ToString(recorded);
  }
}

TEST_F(KeyEventsTest, KeyboardClickTypeChoosesTheTransitions) {
  const unsigned a = Keycode(XK_a);
  const struct {
    const char* type;
    std::vector<KeyStroke> sent;
  } cases[] = {
      {"Down", {Down(a)}},
      {"Up", {Up(a)}},
      // A release of a key that is not down is still sent.
      {"Up", {Up(a)}},
      {"down", {Down(a), Up(a)}},
      {"Down ", {Down(a), Up(a)}},
      {"", {Down(a), Up(a)}},
  };
  PluginChannel channel;
  Recorded(channel);
  for (const auto& c : cases) {
    channel.Invoke("keyboardClick", KeyArgs(0x00, c.type));
    EXPECT_EQ(SentStrokes(Recorded(channel)), c.sent)
        << "type \"" << c.type << "\"";
  }
}

TEST_F(KeyEventsTest, KeyPressHoldsTheKeyForTheHoldDelay) {
  auto backend = CreateBackend();
  Recorded(*backend);

  backend->KeyPress(0x24);

  const auto events = KeyEvents(Recorded(*backend));
  const unsigned enter = Keycode(XK_Return);
  ASSERT_EQ(Strokes(events), (std::vector<KeyStroke>{Down(enter), Up(enter)}));
  EXPECT_GE(events[1].server_time, events[0].server_time + kHoldMs);
}

TEST_F(KeyEventsTest, KeyPressHoldIsNotShortenedByASignal) {
  auto backend = CreateBackend();
  Recorded(*backend);
  {
    testing::ScopedAlarm alarm(std::chrono::milliseconds(5));
    backend->KeyPress(0x24);
    EXPECT_EQ(alarm.delivered(), 1);
  }
  const auto events = KeyEvents(Recorded(*backend));
  ASSERT_EQ(events.size(), 2u);
  EXPECT_GE(events[1].server_time, events[0].server_time + kHoldMs);
}

TEST_F(KeyEventsTest, EveryFakeKeyEventHasNoDelay) {
  auto backend = CreateBackend();
  Recorded(*backend);
  backend->KeyPressWithModifiers(0x08, {0x38, 0x37});
  backend->KeyDown(0x24);
  backend->KeyUp(0x24);
  const auto sent = Named(Requests(Recorded(*backend)), "XTestFakeInput");
  ASSERT_EQ(sent.size(), 8u);
  for (const auto& request : sent) {
    EXPECT_EQ(request.delay, 0u) << request.ToString();
  }
}

TEST_F(KeyEventsTest, ModifierMethodsWrapTheKey) {
  const unsigned c = Keycode(XK_c);
  const struct {
    const char* method;
    unsigned modifier;
  } cases[] = {
      {"keyboardClickShiftPressed", Keycode(XK_Shift_L)},
      {"keyboardClickCommandPressed", Keycode(XK_Super_L)},
  };
  PluginChannel channel;
  Recorded(channel);
  for (const auto& m : cases) {
    channel.Invoke(m.method, KeyArgs(0x08));
    EXPECT_EQ(Strokes(Recorded(channel)),
              (std::vector<KeyStroke>{Down(m.modifier), Down(c), Up(c),
                                      Up(m.modifier)}))
        << m.method;
  }
}

TEST_F(KeyEventsTest, ModifierListsAreReleasedInPressOrder) {
  const unsigned c = Keycode(XK_c);
  const unsigned shift = Keycode(XK_Shift_L);
  const unsigned control = Keycode(XK_Control_L);
  const struct {
    const char* what;
    std::vector<uint32_t> modifiers;
    std::vector<KeyStroke> sent;
  } cases[] = {
      {"two modifiers",
       {0x38, 0x3b},
       {Down(shift), Down(control), Down(c), Up(c), Up(shift), Up(control)}},
      {"a repeated modifier",
       {0x38, 0x38},
       {Down(shift), Down(shift), Down(c), Up(c), Up(shift), Up(shift)}},
      {"a modifier without a key",
       {0x3f, 0x3b},
       {Down(control), Down(c), Up(c), Up(control)}},
      {"no modifier", {}, {Down(c), Up(c)}},
  };
  auto backend = CreateBackend();
  Recorded(*backend);
  for (const auto& m : cases) {
    backend->KeyPressWithModifiers(0x08, m.modifiers);
    EXPECT_EQ(SentStrokes(Recorded(*backend)), m.sent) << m.what;
  }
}

TEST_F(KeyEventsTest, WithoutDisplayKeyPressSendsNothingButStillHolds) {
  ScopedEnv no_display("DISPLAY", std::nullopt);
  auto backend = CreateBackend();
  observer_->Collect();

  const auto start = std::chrono::steady_clock::now();
  backend->KeyPress(0x24);
  EXPECT_GE(std::chrono::steady_clock::now() - start,
            std::chrono::milliseconds(kHoldMs));

  backend->KeyPressWithModifiers(0x08, {0x38});
  backend->KeyDown(0x24);
  backend->KeyUp(0x24);
  const auto recorded = observer_->Collect();
  EXPECT_TRUE(recorded.empty()) << ToString(recorded);
}

}  // namespace
}  // namespace quorvel
