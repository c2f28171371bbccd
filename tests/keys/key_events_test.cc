// Key events as the X server receives them: every macOS key through the
// channel, the hold between press and release, and modifiers around a key.

// gtest before any X header: X.h defines None as a macro.
#include <gtest/gtest.h>

#include "backend/x11/xlib.h"

#include <X11/keysym.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "backend/backend.h"
#include "keys/expected_mac_keys.h"
#include "keys/key_recording.h"
#include "support/environment.h"
#include "support/plugin_channel.h"
#include "support/record_observer.h"
#include "support/x_server.h"
#include "support/x_server_test.h"

namespace quorvel {
namespace {

using testing::Down;
using testing::KeyEvents;
using testing::KeyStroke;
using testing::PluginChannel;
using testing::ScopedEnv;
using testing::SentStrokes;
using testing::Strokes;
using testing::Up;

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

class KeyEventsTest : public testing::XServerTest {
 protected:
  void SetUp() override {
    if (server_) {
      ASSERT_EQ(server_->Run("setxkbmap us"), 0);
    }
    XServerTest::SetUp();
  }

  // The keycode the server's keymap gives `keysym`, as the plugin must find.
  unsigned Keycode(KeySym keysym) const {
    return XKeysymToKeycode(test_display_.get(), keysym);
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
};

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
    channel.Invoke("keyboardClick", KeyArgs(code));
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

// The press and the delayed release leave at once, with nothing else sent
// on the plugin's connection: the app's thread does not wait for the hold.
TEST_F(KeyEventsTest, KeyPressReachesTheServerWithoutARoundTrip) {
  auto backend = CreateBackend();
  Recorded(*backend);

  backend->KeyPress(0x24);

  // The press, the release as sent, and the release run after the hold.
  const auto events = KeyEvents(observer_->CollectAtLeast(3));
  const unsigned enter = Keycode(XK_Return);
  ASSERT_EQ(Strokes(events), (std::vector<KeyStroke>{Down(enter), Up(enter)}));
  EXPECT_GE(events[1].server_time, events[0].server_time + kHoldMs);
}

// The hold is XTest's own delay on the release: the server waits before
// acting on it and on what follows, so the order stays as called. RECORD
// sees the delayed request twice: as sent, then without its delay when the
// server runs it again after the wait.
TEST_F(KeyEventsTest, OnlyTheReleaseAfterTheHoldCarriesADelay) {
  auto backend = CreateBackend();
  Recorded(*backend);
  backend->KeyPressWithModifiers(0x08, {0x38, 0x37});
  backend->KeyDown(0x24);
  backend->KeyUp(0x24);
  std::vector<unsigned> delays;
  for (const auto& request :
       Named(Requests(Recorded(*backend)), "XTestFakeInput")) {
    delays.push_back(request.delay);
  }
  EXPECT_EQ(delays, (std::vector<unsigned>{0, 0, 0, kHoldMs, 0, 0, 0, 0, 0}));
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

TEST_F(KeyEventsTest, WithoutDisplayKeyMethodsSendNothing) {
  ScopedEnv no_display("DISPLAY", std::nullopt);
  auto backend = CreateBackend();
  observer_->Collect();

  backend->KeyPress(0x24);
  backend->KeyPressWithModifiers(0x08, {0x38});
  backend->KeyDown(0x24);
  backend->KeyUp(0x24);
  const auto recorded = observer_->Collect();
  EXPECT_TRUE(recorded.empty()) << ToString(recorded);
}

// Keys and buttons held on purpose stay held until the plugin goes away;
// then nothing is left down.
TEST_F(KeyEventsTest, DisposingThePluginReleasesWhatItHolds) {
  const unsigned shift = Keycode(XK_Shift_L);
  auto channel = std::make_unique<PluginChannel>();
  channel->Invoke("keyboardClick", KeyArgs(0x38, "Down"));
  channel->Invoke("moveMouseAndClick",
                  testing::Args({{"x", fl_value_new_int(5)},
                                 {"y", fl_value_new_int(5)},
                                 {"type", fl_value_new_string("Down")},
                                 {"button", fl_value_new_string("Right")}}));
  Recorded(*channel);
  ASSERT_TRUE(testing::KeyIsDown(test_display_.get(), shift));
  ASSERT_EQ(testing::ButtonsDown(test_display_.get()),
            static_cast<unsigned>(Button3Mask));

  channel.reset();

  EXPECT_FALSE(testing::KeyIsDown(test_display_.get(), shift));
  EXPECT_EQ(testing::ButtonsDown(test_display_.get()), 0u);
}

// A layout switched between a key's press and its release: the release
// goes to the keycode that went down, not to where the key is now.
TEST_F(KeyEventsTest, ReleaseFollowsThePressAcrossALayoutSwitch) {
  const unsigned z_on_us = Keycode(XK_z);
  PluginChannel channel;
  Recorded(channel);
  channel.Invoke("keyboardClick", KeyArgs(0x06, "Down"));  // kVK_ANSI_Z
  ASSERT_EQ(server_->Run("setxkbmap de"), 0);
  channel.Invoke("keyboardClick", KeyArgs(0x06, "Up"));
  EXPECT_EQ(SentStrokes(Recorded(channel)),
            (std::vector<KeyStroke>{Down(z_on_us), Up(z_on_us)}));
  EXPECT_FALSE(testing::KeyIsDown(test_display_.get(), z_on_us));
}

}  // namespace
}  // namespace quorvel
