#include "backend/common/xkb_key_index.h"

#include "backend/common/text_keysym.h"

#include <glib.h>
#include <gtest/gtest.h>
#include <xkbcommon/xkbcommon.h>

#include <string>
#include <vector>

namespace quorvel {
namespace common {
namespace {

// XKB keycodes (evdev + 8) of the keys the cases name.
constexpr xkb_keycode_t kKey1 = 10;
constexpr xkb_keycode_t kKey7 = 16;
constexpr xkb_keycode_t kKeyA = 38;
constexpr xkb_keycode_t kKeyY = 29;  // "z" on a German keyboard.
constexpr xkb_keycode_t kKeySemicolon = 47;
constexpr xkb_keycode_t kKeySlash = 61;
constexpr xkb_keycode_t kKeyBracketLeft = 34;

class XkbKeyIndexTest : public ::testing::Test {
 protected:
  void SetUp() override {
    context_ = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    ASSERT_NE(context_, nullptr);
  }
  void TearDown() override { xkb_context_unref(context_); }

  // A keymap as a compositor would build it from these layout names.
  xkb_keymap* Keymap(const char* layouts) {
    const xkb_rule_names names = {"evdev", "pc105", layouts, "", ""};
    return xkb_keymap_new_from_names(context_, &names,
                                     XKB_KEYMAP_COMPILE_NO_FLAGS);
  }

  static xkb_mod_mask_t Mask(xkb_keymap* keymap, const char* name) {
    return 1u << xkb_keymap_mod_get_index(keymap, name);
  }

  xkb_context* context_ = nullptr;
};

// The key and the modifiers to state for a KeySym, as the wlroots backend
// sends them.
TEST_F(XkbKeyIndexTest, LevelForFindsTheKeyAndTheFewestModifiers) {
  struct Case {
    const char* layouts;
    xkb_layout_index_t layout;
    const char* text;
    bool found;
    xkb_keycode_t keycode;
    std::vector<const char*> mods;
  };
  const Case cases[] = {
      {"us", 0, "a", true, kKeyA, {}},
      {"us", 0, "A", true, kKeyA, {"Shift"}},  // Shift, never Caps Lock
      {"us", 0, "/", true, kKeySlash, {}},
      {"us", 0, "?", true, kKeySlash, {"Shift"}},
      {"us", 0, "1", true, kKey1, {}},
      {"us", 0, "\xc3\xa8", false, 0, {}},  // è
      {"it", 0, "\xc3\xa8", true, kKeyBracketLeft, {}},
      {"it", 0, "{", true, kKey7, {"Mod5"}},  // AltGr+7, not AltGr+Shift+è
      {"de", 0, "z", true, kKeyY, {}},
      {"us,ru", 0, "\xd0\xb6", false, 0, {}},  // ж
      {"us,ru", 1, "\xd0\xb6", true, kKeySemicolon, {}},
  };
  for (const Case& c : cases) {
    xkb_keymap* keymap = Keymap(c.layouts);
    ASSERT_NE(keymap, nullptr) << c.layouts;
    XkbKeyIndex index(keymap);
    XkbKeyLevel level;
    const std::string label = std::string(c.layouts) + " " + c.text;
    ASSERT_EQ(index.LevelFor(KeysymForText(c.text), c.layout, &level), c.found)
        << label;
    if (c.found) {
      xkb_mod_mask_t mods = 0;
      for (const char* name : c.mods) {
        mods |= Mask(keymap, name);
      }
      EXPECT_EQ(level.key, c.keycode) << label;
      EXPECT_EQ(level.mods, mods) << label;
    }
    xkb_keymap_unref(keymap);
  }
}

// The character decoder reads every string as glib does: exactly one
// character, or nothing. Every string of up to three bytes, and every
// four-byte string with a four-byte lead whose other bytes lie around the
// continuation range.
TEST(Utf8CharacterTest, ReadsEveryStringAsGlibDoes) {
  size_t differences = 0;
  std::string first;
  auto check = [&](const std::string& text) {
    const bool valid = g_utf8_validate(text.data(), text.size(), nullptr) &&
                       g_utf8_strlen(text.data(), text.size()) == 1;
    char32_t code_point = 0;
    const bool decoded = Utf8Character(text, &code_point);
    if (decoded != valid ||
        (valid && code_point != g_utf8_get_char(text.data()))) {
      if (differences++ == 0) {
        for (unsigned char byte : text) {
          first += " " + std::to_string(byte);
        }
      }
    }
  };
  check("");
  std::string text;
  for (int length = 1; length <= 3; ++length) {
    text.assign(length, '\0');
    for (uint32_t bytes = 0; bytes < (1u << (8 * length)); ++bytes) {
      for (int i = 0; i < length; ++i) {
        text[i] = static_cast<char>(bytes >> (8 * i));
      }
      check(text);
    }
  }
  text.assign(4, '\0');
  for (int lead = 0xF0; lead <= 0xFF; ++lead) {
    for (uint32_t rest = 0; rest < 80 * 80 * 80; ++rest) {
      text[0] = static_cast<char>(lead);
      text[1] = static_cast<char>(0x78 + rest % 80);
      text[2] = static_cast<char>(0x78 + rest / 80 % 80);
      text[3] = static_cast<char>(0x78 + rest / 6400);
      check(text);
    }
  }
  EXPECT_EQ(differences, 0u) << "first:" << first;
}

}  // namespace
}  // namespace common
}  // namespace quorvel
