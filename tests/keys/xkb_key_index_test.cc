#include "backend/common/xkb_key_index.h"

#include "backend/common/text_keysym.h"

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

}  // namespace
}  // namespace common
}  // namespace quorvel
