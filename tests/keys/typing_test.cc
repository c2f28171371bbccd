// Typing as a user sees it: characters sent through the channel arrive as
// text in a real window, under the layouts the table is made for and the
// ones it is not.

// Xlib comes in through the fixtures, after gtest: X.h's None macro would
// break gtest.
#include <X11/keysym.h>
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "backend/backend.h"
#include "keys/italian_characters.h"
#include "keys/key_recording.h"
#include "keys/text_window.h"
#include "support/environment.h"
#include "support/plugin_channel.h"
#include "support/record_observer.h"
#include "support/x_server.h"
#include "support/x_server_test.h"

#include <X11/XKBlib.h>

namespace quorvel {
namespace {

using testing::Down;
using testing::KeyEvents;
using testing::KeyStroke;
using testing::PluginChannel;
using testing::SentStrokes;
using testing::Strokes;
using testing::TextWindow;
using testing::Up;
using testing::XRecordEntry;

constexpr unsigned long kHoldMs = 15;
constexpr char kItalian[] = "setxkbmap it";
constexpr char kUs[] = "setxkbmap us";
constexpr char kGerman[] = "setxkbmap de";
// An Italian layout where no key carries ISO_Level3_Shift.
constexpr char kItalianWithoutLevel3[] =
    "setxkbmap it && xmodmap -e 'clear mod5' -e 'keycode 92 = NoSymbol' "
    "-e 'keycode 108 = NoSymbol'";

// What a remote user types, one character a call: capitals, digits, every
// ASCII punctuation mark, accented letters in and beyond Latin-1, Cyrillic,
// Greek, a CJK ideograph and an emoji.
constexpr const char* kCorpus[] = {
    "Q",
    "W",
    "A",
    "Z",
    "Y",
    "M",
    "q",
    "w",
    "a",
    "z",
    "y",
    "m",
    "0",
    "1",
    "5",
    "7",
    "9",
    " ",
    "!",
    "\"",
    "#",
    "$",
    "%",
    "&",
    "'",
    "(",
    ")",
    "*",
    "+",
    ",",
    "-",
    ".",
    "/",
    ":",
    ";",
    "<",
    "=",
    ">",
    "?",
    "@",
    "[",
    "\\",
    "]",
    "^",
    "_",
    "`",
    "{",
    "|",
    "}",
    "~",
    "\xc3\xb1",          // ñ
    "\xc3\xbc",          // ü
    "\xc3\x9c",          // Ü
    "\xc3\x9f",          // ß
    "\xc3\xa9",          // é
    "\xc3\x89",          // É
    "\xc3\xa7",          // ç
    "\xc3\xa5",          // å
    "\xc3\xb8",          // ø
    "\xc5\x82",          // ł
    "\xc5\x91",          // ő
    "\xd0\xb6",          // ж
    "\xd0\xaf",          // Я
    "\xce\xbb",          // λ
    "\xce\xa9",          // Ω
    "\xe4\xb8\xad",      // 中
    "\xf0\x9f\x98\x80",  // 😀
};

std::string CorpusText() {
  std::string text;
  for (const char* character : kCorpus) {
    text += character;
  }
  return text;
}

// Every key goes down before it comes up, is held at least the hold time
// on the server's clock, and nothing stays down.
void ExpectEveryKeyHeld(const std::vector<testing::KeyEvent>& events) {
  std::map<unsigned, unsigned long> down;
  for (const auto& event : events) {
    if (event.press) {
      EXPECT_EQ(down.count(event.keycode), 0u) << event.keycode;
      down[event.keycode] = event.server_time;
      continue;
    }
    auto it = down.find(event.keycode);
    ASSERT_NE(it, down.end()) << "up before down: " << event.keycode;
    EXPECT_GE(event.server_time, it->second + kHoldMs) << event.keycode;
    down.erase(it);
  }
  EXPECT_TRUE(down.empty());
}

class TypingTest : public testing::XServerTest {
 protected:
  // Loads a layout, then opens everything that reads the keymap: the
  // plugin, the window and the test's own lookup connection. A connection
  // keeps the keymap it saw first, so all of them come after the switch.
  void UseLayout(const char* command) {
    ASSERT_EQ(server_->Run(command), 0) << command;
    keymap_ = server_->Connect();
    ASSERT_TRUE(keymap_);
    std::string error;
    window_ = TextWindow::Open(server_->display_name(), &error);
    ASSERT_TRUE(window_) << error;
    channel_ = std::make_unique<PluginChannel>();
    Recorded();
  }

  unsigned Keycode(KeySym keysym) const {
    return XKeysymToKeycode(keymap_.get(), keysym);
  }

  // Sends "keyboardPress" and returns its bool reply.
  bool Type(const std::string& text) {
    testing::Reply reply = channel_->Invoke(
        "keyboardPress",
        testing::Args({{"char", fl_value_new_string(text.c_str())}}));
    EXPECT_EQ(reply.kind, testing::Reply::kSuccess);
    FlValue* result = reply.result.get();
    return result && fl_value_get_type(result) == FL_VALUE_TYPE_BOOL &&
           fl_value_get_bool(result);
  }

  // What reached the server since the last call. The plugin's connection
  // only flushes, so it first makes one round trip on that connection: the
  // server has then dispatched every request it sent before.
  std::vector<XRecordEntry> Recorded() {
    channel_->Invoke("getMouseCoords");
    return observer_->Collect();
  }
  std::vector<XRecordEntry> Recorded(Backend& backend) {
    int32_t x = 0;
    int32_t y = 0;
    backend.GetMouseCoords(&x, &y);
    return observer_->Collect();
  }

  // Types the corpus, letting the window read each character before the
  // next as an application does; returns what arrived. The key events go
  // to `events`.
  std::string TypeCorpus(std::vector<testing::KeyEvent>* events) {
    std::string arrived;
    for (const char* character : kCorpus) {
      EXPECT_TRUE(Type(character)) << character;
      const auto recorded = KeyEvents(Recorded());
      events->insert(events->end(), recorded.begin(), recorded.end());
      arrived += window_->TakeText();
    }
    return arrived;
  }

  void SetCapsLock(bool on) {
    XkbLockModifiers(keymap_.get(), XkbUseCoreKbd, LockMask, on ? LockMask : 0);
    XSync(keymap_.get(), False);
  }

  // The server times of the window's markers among `entries`.
  std::vector<unsigned long> MarkerTimes(
      const std::vector<XRecordEntry>& entries) const {
    std::vector<unsigned long> times;
    for (const auto& entry : Named(entries, "ChangeWindowAttributes")) {
      if (entry.window == window_->window()) {
        times.push_back(entry.server_time);
      }
    }
    return times;
  }

  // Opened after the test's layout switch, unlike the fixture's connection.
  testing::DisplayPtr keymap_;
  std::unique_ptr<TextWindow> window_;
  std::unique_ptr<PluginChannel> channel_;
};

TEST_F(TypingTest, EveryTableCharacterArrivesUnderTheItalianLayout) {
  UseLayout(kItalian);
  for (const char* character : testing::kItalianCharacters) {
    EXPECT_TRUE(Type(character)) << character;
    Recorded();
    EXPECT_EQ(window_->TakeText(), character);
  }
}

TEST_F(TypingTest, ChordsGoDownInOrderAndUpInReverse) {
  UseLayout(kItalian);
  const unsigned level3 = Keycode(XK_ISO_Level3_Shift);
  const unsigned shift = Keycode(XK_Shift_R);
  const unsigned egrave = Keycode(XK_egrave);
  const unsigned one = Keycode(XK_1);

  EXPECT_TRUE(Type("{"));
  EXPECT_EQ(Strokes(Recorded()),
            (std::vector<KeyStroke>{Down(level3), Down(shift), Down(egrave),
                                    Up(egrave), Up(shift), Up(level3)}));
  EXPECT_TRUE(Type("!"));
  EXPECT_EQ(Strokes(Recorded()), (std::vector<KeyStroke>{Down(shift), Down(one),
                                                         Up(one), Up(shift)}));
}

// No key of a US layout carries "è": it is put on a keycode without symbols
// for the moment, pressed and held like any other key.
TEST_F(TypingTest, CharacterNoKeyProducesIsTypedOnASpareKeycode) {
  UseLayout(kUs);
  ASSERT_EQ(Keycode(XK_egrave), 0u);

  EXPECT_TRUE(Type("\xc3\xa8"));  // è
  const auto events = KeyEvents(Recorded());
  EXPECT_EQ(window_->TakeText(), "\xc3\xa8");
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(Strokes(events), (std::vector<KeyStroke>{Down(events[0].keycode),
                                                     Up(events[0].keycode)}));
  EXPECT_GE(events[1].server_time, events[0].server_time + kHoldMs);
  // The server's map now carries it there.
  int width = 0;
  KeySym* syms = XGetKeyboardMapping(
      keymap_.get(), static_cast<KeyCode>(events[0].keycode), 1, &width);
  ASSERT_NE(syms, nullptr);
  EXPECT_EQ(syms[0], static_cast<KeySym>(XK_egrave));
  XFree(syms);
}

// Without a third-level shift the table's chord for "[" would type "è"; the
// character goes to a spare keycode instead.
TEST_F(TypingTest, TableChordThatWouldTypeAnotherCharacterIsNotUsed) {
  UseLayout(kItalianWithoutLevel3);
  ASSERT_EQ(Keycode(XK_ISO_Level3_Shift), 0u);
  const unsigned egrave = Keycode(XK_egrave);

  EXPECT_TRUE(Type("["));
  const auto strokes = Strokes(Recorded());
  EXPECT_EQ(window_->TakeText(), "[");
  ASSERT_EQ(strokes.size(), 2u);
  EXPECT_NE(strokes[0].keycode, egrave);
}

// Under a US layout the table's "/" (Shift + 7) would type "&", its "("
// (Shift + 8) "*".
TEST_F(TypingTest, TableChordsAreLeftAsideWhereTheyTypeSomethingElse) {
  UseLayout(kUs);
  const unsigned slash = Keycode(XK_slash);

  EXPECT_TRUE(Type("/"));
  EXPECT_EQ(Strokes(Recorded()),
            (std::vector<KeyStroke>{Down(slash), Up(slash)}));
  EXPECT_TRUE(Type("("));
  Recorded();
  EXPECT_EQ(window_->TakeText(), "/(");
}

TEST_F(TypingTest, CapitalsArePressedWithShift) {
  UseLayout(kItalian);
  const unsigned shift = Keycode(XK_Shift_L);
  const unsigned a = Keycode(XK_a);

  EXPECT_TRUE(Type("A"));
  EXPECT_EQ(Strokes(Recorded()),
            (std::vector<KeyStroke>{Down(shift), Down(a), Up(a), Up(shift)}));
  EXPECT_EQ(window_->TakeText(), "A");
}

TEST_F(TypingTest, KeysymNamesAndBaseLevelCharactersTypeOneKey) {
  UseLayout(kItalian);
  const struct {
    const char* text;
    KeySym keysym;
  } cases[] = {
      {"a", XK_a},
      {"Return", XK_Return},
      {"BackSpace", XK_BackSpace},
      {"F5", XK_F5},
      {"space", XK_space},
      {" ", XK_space},
      // A lone Latin-1 byte, not UTF-8, takes the same fallback.
      {"\xe8", XK_egrave},
  };
  for (const auto& c : cases) {
    const unsigned keycode = Keycode(c.keysym);
    ASSERT_NE(keycode, 0u) << c.text;
    EXPECT_TRUE(Type(c.text)) << c.text;
    EXPECT_EQ(Strokes(Recorded()),
              (std::vector<KeyStroke>{Down(keycode), Up(keycode)}))
        << c.text;
  }
}

TEST_F(TypingTest, TextsThatNameNoKeySendNothing) {
  UseLayout(kItalian);
  for (const char* text : {
           "!!",          // two table characters: the whole text is looked up
           "e\xcc\x80",   // è decomposed: no table key, no name, not one byte
           "NotAKeysym",  // not a name Xlib knows
           "",            // nothing to type
       }) {
    EXPECT_FALSE(Type(text)) << text;
    const auto recorded = Recorded();
    EXPECT_TRUE(recorded.empty()) << text << ":\n" << ToString(recorded);
  }
}

// The channel cannot carry a NUL inside a string, so these go to the
// backend directly.
TEST_F(TypingTest, TextIsReadAsANameOnlyUpToANul) {
  UseLayout(kItalian);
  auto backend = CreateBackend();
  Recorded(*backend);
  const unsigned a = Keycode(XK_a);

  EXPECT_TRUE(backend->TypeText(std::string("a\0b", 3)));
  EXPECT_EQ(Strokes(Recorded(*backend)),
            (std::vector<KeyStroke>{Down(a), Up(a)}));

  EXPECT_FALSE(backend->TypeText(std::string(1, '\0')));
  const auto recorded = Recorded(*backend);
  EXPECT_TRUE(recorded.empty()) << ToString(recorded);
}

// A chord is flushed key by key: its press reaches the server before the
// hold starts.
TEST_F(TypingTest, TableCharacterPressReachesTheServerBeforeTheHold) {
  UseLayout(kItalian);
  window_->SendMarker();
  EXPECT_TRUE(Type("\xc3\xa8"));  // è
  const auto recorded = Recorded();
  const auto events = KeyEvents(recorded);
  const auto markers = MarkerTimes(recorded);
  ASSERT_EQ(events.size(), 2u) << ToString(recorded);
  ASSERT_EQ(markers.size(), 1u);
  EXPECT_GE(events[0].server_time, markers[0]);
  EXPECT_GE(events[1].server_time, events[0].server_time + kHoldMs);
}

// A key typed by name reaches the server at once; the server itself holds
// back its release (XTest's delay), so the app's thread does not wait.
TEST_F(TypingTest, NamedKeyPressReachesTheServerBeforeTheHold) {
  UseLayout(kItalian);
  window_->SendMarker();
  EXPECT_TRUE(Type("Return"));
  const auto recorded = Recorded();
  const auto events = KeyEvents(recorded);
  const auto markers = MarkerTimes(recorded);
  ASSERT_EQ(events.size(), 2u) << ToString(recorded);
  ASSERT_EQ(markers.size(), 1u);
  EXPECT_GE(events[0].server_time, markers[0]);
  EXPECT_GE(events[1].server_time, events[0].server_time + kHoldMs);
  // RECORD logs a delayed request again when the server carries it out.
  const auto fakes = Named(Requests(recorded), "XTestFakeInput");
  ASSERT_GE(fakes.size(), 2u) << ToString(recorded);
  EXPECT_EQ(fakes[0].delay, 0u);
  EXPECT_EQ(fakes[1].delay, kHoldMs);
}

TEST_F(TypingTest, CorpusArrivesExactlyUnderEveryLayout) {
  for (const char* layout : {"us", "de", "fr", "it", "ru"}) {
    SCOPED_TRACE(layout);
    UseLayout((std::string("setxkbmap ") + layout).c_str());
    std::vector<testing::KeyEvent> events;
    EXPECT_EQ(TypeCorpus(&events), CorpusText());
    ExpectEveryKeyHeld(events);
  }
}

// Under a Russian layout most of the corpus needs spare keycodes. Sent as
// fast as the app can, spares still come free in time: their reuse is
// timed by when the server carries out the keys, not by when they were
// sent.
TEST_F(TypingTest, SpareKeycodesKeepUpWithTextSentAtOnce) {
  UseLayout("setxkbmap ru");
  for (const char* character : kCorpus) {
    EXPECT_TRUE(Type(character)) << character;
  }
  ExpectEveryKeyHeld(KeyEvents(Recorded()));
}

TEST_F(TypingTest, CorpusArrivesExactlyWithCapsLockOn) {
  for (const char* layout : {kUs, kGerman}) {
    SCOPED_TRACE(layout);
    UseLayout(layout);
    SetCapsLock(true);
    std::vector<testing::KeyEvent> events;
    EXPECT_EQ(TypeCorpus(&events), CorpusText());
    SetCapsLock(false);
  }
}

// On a US layout "y" and "z" swap places under a German one. The switch is
// followed whatever call comes between it and the typing, pointer calls
// that read nothing of what the server sent included.
TEST_F(TypingTest, LayoutSwitchedBetweenCallsIsFollowedByTheNextCall) {
  const struct {
    const char* method;  // null: the typing comes right after the switch
    std::vector<std::pair<const char*, int64_t>> args;
  } kBetween[] = {
      {nullptr, {}},
      {"wheelMouse", {{"x", 0}, {"y", 0}, {"delta", 1}}},
      {"moveMouse", {{"x", 5}, {"y", 5}}},
      {"getMouseCoords", {}},
  };
  for (const auto& between : kBetween) {
    SCOPED_TRACE(between.method ? between.method : "nothing");
    UseLayout(kUs);
    EXPECT_TRUE(Type("z"));
    Recorded();
    EXPECT_EQ(window_->TakeText(), "z");
    ASSERT_EQ(server_->Run(kGerman), 0);
    if (between.method) {
      FlValue* args = fl_value_new_map();
      for (const auto& [key, value] : between.args) {
        fl_value_set_string_take(args, key, testing::Int(value));
      }
      channel_->Invoke(between.method, args);
    }
    EXPECT_TRUE(Type("y"));
    EXPECT_TRUE(Type("z"));
    Recorded();
    EXPECT_EQ(window_->TakeText(), "yz");
  }
}

// The first call after a layout switch reads the new map without waiting
// for the releases the server still holds back from earlier calls: it has
// returned (the marker) before the last of them is carried out.
TEST_F(TypingTest, FirstCallAfterALayoutSwitchDoesNotWaitForPendingHolds) {
  // Holds for much longer than the switch takes, yet few enough to leave
  // room in the connection's socket.
  constexpr int kPendingHolds = 60;
  UseLayout(kUs);
  for (int i = 0; i < kPendingHolds; ++i) {
    EXPECT_TRUE(Type("z"));
  }
  ASSERT_EQ(server_->Run(kGerman), 0);
  EXPECT_TRUE(Type("y"));
  window_->SendMarker();
  const auto recorded = Recorded();
  const auto events = KeyEvents(recorded);
  const auto markers = MarkerTimes(recorded);
  ASSERT_EQ(events.size(), 2u * (kPendingHolds + 1)) << ToString(recorded);
  ASSERT_EQ(markers.size(), 1u);
  // The last "z" comes up just before "y" goes down.
  const testing::KeyEvent& last_release = events[events.size() - 3];
  EXPECT_FALSE(last_release.press);
  EXPECT_LT(markers[0], last_release.server_time);
}

TEST_F(TypingTest, SpareKeycodesAreRestoredWhenThePluginGoes) {
  UseLayout(kGerman);
  EXPECT_TRUE(Type("\xf0\x9f\x98\x80"));  // 😀
  EXPECT_TRUE(Type("\xd0\xb6"));          // ж
  const auto events = KeyEvents(Recorded());
  ASSERT_EQ(events.size(), 4u);
  const KeyCode spares[] = {static_cast<KeyCode>(events[0].keycode),
                            static_cast<KeyCode>(events[2].keycode)};
  EXPECT_NE(spares[0], spares[1]);

  channel_.reset();
  for (KeyCode keycode : spares) {
    int width = 0;
    KeySym* syms = XGetKeyboardMapping(keymap_.get(), keycode, 1, &width);
    ASSERT_NE(syms, nullptr);
    for (int i = 0; i < width; ++i) {
      EXPECT_EQ(syms[i], static_cast<KeySym>(NoSymbol)) << int{keycode};
    }
    XFree(syms);
  }
}

}  // namespace
}  // namespace quorvel
