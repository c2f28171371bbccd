// The wlroots backend's pure parts: the desktop's bounding box, and the
// keymap typing extends with spare keys.

#include <gtest/gtest.h>
#include <xkbcommon/xkbcommon.h>

#include <memory>
#include <string>
#include <vector>

#include "backend/wlroots/outputs.h"
#include "backend/wlroots/typing_keymap.h"

namespace quorvel {
namespace wlroots {
namespace {

TEST(WlrootsOutputsTest, BoundingBoxSpansEveryOutput) {
  const struct {
    std::vector<ScreenInfo> screens;
    bool ok;
    DesktopBox box;
  } cases[] = {
      {{}, false, {}},
      {{{1, 1280, 720, 0, 0, 1}}, true, {0, 0, 1280, 720}},
      {{{1, 1280, 720, 0, 0, 1}, {2, 800, 600, 1280, 200, 2}},
       true,
       {0, 0, 2080, 800}},
      {{{1, 1024, 768, -1024, 100, 1}, {2, 1920, 1080, 0, 0, 1}},
       true,
       {-1024, 0, 2944, 1080}},
  };
  for (const auto& c : cases) {
    DesktopBox box;
    EXPECT_EQ(BoundingBox(c.screens, &box), c.ok);
    if (c.ok) {
      EXPECT_EQ(box.x, c.box.x);
      EXPECT_EQ(box.y, c.box.y);
      EXPECT_EQ(box.width, c.box.width);
      EXPECT_EQ(box.height, c.box.height);
    }
  }
  EXPECT_EQ(OutputId("HEADLESS-1"), OutputId("HEADLESS-1"));
  EXPECT_NE(OutputId("HEADLESS-1"), OutputId("HEADLESS-2"));
}

class TypingKeymapTest : public ::testing::Test {
 protected:
  void SetUp() override { context_ = xkb_context_new(XKB_CONTEXT_NO_FLAGS); }
  void TearDown() override { xkb_context_unref(context_); }

  // The KeySym `text` gives `keycode` at its first level.
  xkb_keysym_t KeysymOn(const std::string& text, xkb_keycode_t keycode) {
    xkb_keymap* keymap = xkb_keymap_new_from_string(
        context_, text.c_str(), XKB_KEYMAP_FORMAT_TEXT_V1,
        XKB_KEYMAP_COMPILE_NO_FLAGS);
    if (!keymap) {
      return XKB_KEY_NoSymbol;
    }
    const xkb_keysym_t* syms = nullptr;
    const int count =
        xkb_keymap_key_get_syms_by_level(keymap, keycode, 0, 0, &syms);
    const xkb_keysym_t keysym = count == 1 ? syms[0] : XKB_KEY_NoSymbol;
    xkb_keymap_unref(keymap);
    return keysym;
  }

  xkb_context* context_ = nullptr;
};

// Characters no key has go on spare keys, least recently used first; the
// seat's keys and the keys still down stay as they are.
TEST_F(TypingKeymapTest, SpareKeysCarryWhatTheKeymapLacks) {
  std::unique_ptr<TypingKeymap> keymap =
      TypingKeymap::Create(context_, std::string());
  ASSERT_TRUE(keymap);
  ASSERT_GE(keymap->spare_count(), 2u);
  EXPECT_FALSE(IsOwnKeymap(std::string()));

  const xkb_keysym_t zhe = xkb_utf32_to_keysym(0x0436);
  const xkb_keysym_t kan = xkb_utf32_to_keysym(0x6f22);
  const xkb_keysym_t grin = xkb_utf32_to_keysym(0x1f600);
  xkb_keycode_t first = 0;
  xkb_keycode_t second = 0;
  xkb_keycode_t again = 0;
  ASSERT_TRUE(keymap->TakeSpare(zhe, {}, &first));
  ASSERT_TRUE(keymap->TakeSpare(kan, {}, &second));
  EXPECT_NE(first, second);
  ASSERT_TRUE(keymap->TakeSpare(zhe, {}, &again));
  EXPECT_EQ(again, first);  // the key that has it already

  const std::string text = keymap->text();
  EXPECT_TRUE(IsOwnKeymap(text));
  EXPECT_EQ(KeysymOn(text, first), zhe);
  EXPECT_EQ(KeysymOn(text, second), kan);
  // The seat's own keys are untouched: "a" is still on AC01 (38).
  EXPECT_EQ(KeysymOn(text, 38), XKB_KEY_a);

  // Every spare in use: the least recently used one that is not down
  // takes the next character.
  std::vector<xkb_keycode_t> down;
  for (size_t i = 0; i + 2 < keymap->spare_count(); i++) {
    xkb_keycode_t keycode = 0;
    ASSERT_TRUE(keymap->TakeSpare(0x1000100 + i, {}, &keycode));
  }
  xkb_keycode_t reused = 0;
  ASSERT_TRUE(keymap->TakeSpare(grin, {second}, &reused));
  EXPECT_EQ(reused, first);
  EXPECT_EQ(KeysymOn(keymap->text(), reused), grin);
}

TEST_F(TypingKeymapTest, SparesAreKeycodesWithoutSymbols) {
  xkb_keymap* keymap =
      xkb_keymap_new_from_names(context_, nullptr, XKB_KEYMAP_COMPILE_NO_FLAGS);
  ASSERT_TRUE(keymap);
  for (const SpareKey& key : FindSpareKeys(keymap)) {
    EXPECT_GE(key.keycode, 9u);
    EXPECT_LE(key.keycode, 255u);
    EXPECT_EQ(xkb_keymap_num_levels_for_key(keymap, key.keycode, 0), 0u)
        << key.keycode;
  }
  xkb_keymap_unref(keymap);
}

}  // namespace
}  // namespace wlroots
}  // namespace quorvel
