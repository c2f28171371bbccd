// The EIS backend's pieces that need no compositor: the index of a keymap
// (common::XkbKeyIndex) and the chords the EIS keyboard finds on it, the
// screens made from an absolute device's regions, the mapping of a desktop
// point onto the nearest screen, and the held keys and buttons the
// compositor backends release at the end.

#include <gtest/gtest.h>
#include <linux/input-event-codes.h>
#include <xkbcommon/xkbcommon.h>

#include <memory>
#include <string>
#include <vector>

#include "backend/common/held_codes.h"
#include "backend/common/screen_geometry.h"
#include "backend/common/xkb_key_index.h"
#include "backend/eis/keyboard.h"
#include "backend/eis/screens.h"

namespace quorvel {
namespace {

using common::XkbChord;
using common::XkbKeyIndex;
using common::XkbTypingState;

constexpr xkb_keycode_t kXkbOffset = 8;

// A keymap as a compositor builds it from layout names, as text.
std::string KeymapText(const char* layout, const char* variant = "") {
  xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
  xkb_rule_names names = {};
  names.layout = layout;
  names.variant = variant;
  xkb_keymap* keymap =
      xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
  std::string text;
  if (keymap) {
    char* string = xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1);
    text = string;
    free(string);
    xkb_keymap_unref(keymap);
  }
  xkb_context_unref(context);
  return text;
}

class KeymapIndex {
 public:
  explicit KeymapIndex(const char* layout, const char* variant = "")
      : context_(xkb_context_new(XKB_CONTEXT_NO_FLAGS)) {
    const std::string text = KeymapText(layout, variant);
    xkb_keymap* keymap = xkb_keymap_new_from_string(
        context_, text.c_str(), XKB_KEYMAP_FORMAT_TEXT_V1,
        XKB_KEYMAP_COMPILE_NO_FLAGS);
    if (keymap) {
      index_ = std::make_unique<XkbKeyIndex>(keymap);
      xkb_keymap_unref(keymap);
    }
  }
  ~KeymapIndex() {
    index_.reset();
    xkb_context_unref(context_);
  }
  const XkbKeyIndex* operator->() const { return index_.get(); }
  xkb_mod_mask_t Mod(const char* name) const {
    return 1u << xkb_keymap_mod_get_index(index_->keymap(), name);
  }

 private:
  xkb_context* context_;
  std::unique_ptr<XkbKeyIndex> index_;
};

xkb_keycode_t Key(int evdev) {
  return static_cast<xkb_keycode_t>(evdev) + kXkbOffset;
}

TEST(XkbKeyIndexTest, FindsTheKeyAndTheLevelKeysOfEachCharacter) {
  KeymapIndex us("us");
  ASSERT_NE(us.operator->(), nullptr);
  const struct {
    char32_t character;
    int key;
    std::vector<int> modifiers;
  } cases[] = {
      {U'q', KEY_Q, {}},
      {U'Q', KEY_Q, {KEY_LEFTSHIFT}},
      {U'7', KEY_7, {}},  // the main row before the keypad
      {U'?', KEY_SLASH, {KEY_LEFTSHIFT}},
      {U' ', KEY_SPACE, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<unsigned>(c.character));
    XkbChord chord;
    ASSERT_TRUE(us->FindChord(XkbTypingState(), c.character, &chord));
    EXPECT_EQ(chord.key, Key(c.key));
    std::vector<xkb_keycode_t> modifiers;
    for (int m : c.modifiers) {
      modifiers.push_back(Key(m));
    }
    EXPECT_EQ(chord.modifiers, modifiers);
    EXPECT_TRUE(us->ChordTypes(XkbTypingState(), chord, c.character));
  }
  XkbChord chord;
  EXPECT_FALSE(us->FindChord(XkbTypingState(), U'ж', &chord));
  EXPECT_FALSE(us->FindChord(XkbTypingState(), U'é', &chord));
}

TEST(XkbKeyIndexTest, TypesOnlyFromTheLayoutInEffect) {
  KeymapIndex us_ru("us,ru");
  XkbTypingState russian;
  russian.layout = 1;
  XkbChord chord;
  EXPECT_FALSE(us_ru->FindChord(XkbTypingState(), U'ж', &chord));
  ASSERT_TRUE(us_ru->FindChord(russian, U'ж', &chord));
  EXPECT_EQ(chord.key, Key(KEY_SEMICOLON));
  EXPECT_TRUE(chord.modifiers.empty());
  EXPECT_FALSE(us_ru->FindChord(russian, U'q', &chord));
  // A key asked for by its symbol is found in another layout too.
  EXPECT_EQ(us_ru->KeycodeFor(XKB_KEY_Cyrillic_zhe, 0), Key(KEY_SEMICOLON));
  EXPECT_EQ(us_ru->KeycodeFor(XKB_KEY_a, 1), Key(KEY_A));
  EXPECT_EQ(us_ru->KeycodeFor(XKB_KEY_Return, 1), Key(KEY_ENTER));
  EXPECT_EQ(us_ru->KeycodeFor(XKB_KEY_VoidSymbol, 0), 0u);
}

TEST(XkbKeyIndexTest, CountsCapsLockAndTheThirdLevel) {
  KeymapIndex de("de");
  XkbTypingState caps;
  caps.mods = de.Mod(XKB_MOD_NAME_CAPS);
  XkbChord chord;
  ASSERT_TRUE(de->FindChord(caps, U'A', &chord));
  EXPECT_TRUE(chord.modifiers.empty());
  ASSERT_TRUE(de->FindChord(caps, U'a', &chord));
  EXPECT_EQ(chord.modifiers, std::vector<xkb_keycode_t>{Key(KEY_LEFTSHIFT)});
  ASSERT_TRUE(de->FindChord(XkbTypingState(), U'@', &chord));
  EXPECT_EQ(chord.key, Key(KEY_Q));
  EXPECT_EQ(chord.modifiers, std::vector<xkb_keycode_t>{Key(KEY_RIGHTALT)});
  // Shift already held: no second Shift, and no unshifted level.
  XkbTypingState shifted;
  shifted.mods = de.Mod(XKB_MOD_NAME_SHIFT);
  ASSERT_TRUE(de->FindChord(shifted, U'Q', &chord));
  EXPECT_TRUE(chord.modifiers.empty());
  EXPECT_FALSE(de->FindChord(shifted, U'q', &chord));
  EXPECT_EQ(de->KeyModifiers(Key(KEY_RIGHTALT), 0),
            de.Mod("Mod5"));  // ISO_Level3_Shift
}

TEST(EisKeyboardTest, ChordsFromTheCompositorsKeymapText) {
  eis::Keyboard keyboard;
  EXPECT_FALSE(keyboard.loaded());
  EXPECT_EQ(keyboard.KeyFor(XKB_KEY_a), 0u);
  ASSERT_TRUE(keyboard.LoadText(KeymapText("it")));
  EXPECT_EQ(keyboard.KeyFor(XKB_KEY_Return), static_cast<uint32_t>(KEY_ENTER));
  // The Italian table's chord: AltGr + Shift + è types "{".
  eis::KeyChord chord;
  ASSERT_TRUE(keyboard.ChordFor("{", U'{', &chord));
  EXPECT_EQ(chord.key, static_cast<uint32_t>(KEY_LEFTBRACE));
  EXPECT_EQ(chord.modifiers,
            (std::vector<uint32_t>{KEY_RIGHTALT, KEY_RIGHTSHIFT}));
  EXPECT_FALSE(keyboard.ChordFor("ж", U'ж', &chord));

  // Caps Lock pressed through the device counts for what follows.
  ASSERT_TRUE(keyboard.ChordFor("a", U'a', &chord));
  EXPECT_TRUE(chord.modifiers.empty());
  keyboard.NoteKey(KEY_CAPSLOCK, true);
  keyboard.NoteKey(KEY_CAPSLOCK, false);
  ASSERT_TRUE(keyboard.ChordFor("a", U'a', &chord));
  EXPECT_EQ(chord.modifiers, std::vector<uint32_t>{KEY_LEFTSHIFT});
  // So does the compositor's own state, which replaces it.
  keyboard.SetModifiers(0, 0, 0, 0);
  ASSERT_TRUE(keyboard.ChordFor("a", U'a', &chord));
  EXPECT_TRUE(chord.modifiers.empty());
}

TEST(EisKeyboardTest, FollowsTheLayoutAcrossKeymaps) {
  eis::Keyboard keyboard;
  // Announced before the keymap arrives, kept for it.
  keyboard.SetLayout(1);
  ASSERT_TRUE(keyboard.LoadText(KeymapText("us,ru")));
  eis::KeyChord chord;
  EXPECT_TRUE(keyboard.ChordFor("ж", U'ж', &chord));
  EXPECT_FALSE(keyboard.ChordFor("q", U'q', &chord));
  keyboard.SetLayout(0);
  EXPECT_FALSE(keyboard.ChordFor("ж", U'ж', &chord));
  EXPECT_TRUE(keyboard.ChordFor("q", U'q', &chord));
  keyboard.SetModifiers(0, 0, 0, 1);
  EXPECT_TRUE(keyboard.ChordFor("ж", U'ж', &chord));
  keyboard.Clear();
  EXPECT_FALSE(keyboard.ChordFor("ж", U'ж', &chord));
  EXPECT_FALSE(keyboard.LoadText("not a keymap"));
  EXPECT_FALSE(keyboard.loaded());
}

TEST(EisScreensTest, OneScreenPerRegionWithStableDistinctIds) {
  std::vector<eis::Region> regions(3);
  regions[0] = {0, 0, 1280, 1024, 1.0};
  regions[1] = {1280, 0, 1920, 1080, 2.0};
  regions[2] = {1280, 0, 1920, 1080, 0.0};  // mirrored; no scale given
  const std::vector<ScreenInfo> screens = eis::ScreensFromRegions(regions);
  ASSERT_EQ(screens.size(), 3u);
  EXPECT_EQ(screens[1].x, 1280);
  EXPECT_EQ(screens[1].width, 1920);
  EXPECT_EQ(screens[1].height, 1080);
  EXPECT_EQ(screens[1].scale, 2.0);
  EXPECT_EQ(screens[2].scale, 1.0);
  EXPECT_NE(screens[0].id, screens[1].id);
  EXPECT_NE(screens[1].id, screens[2].id);
  EXPECT_NE(screens[0].id, 0u);
  // The same layout gives the same ids, whatever came before it.
  const std::vector<ScreenInfo> again = eis::ScreensFromRegions({regions[1]});
  EXPECT_EQ(again[0].id, screens[1].id);

  const std::vector<ScreenInfo> huge =
      eis::ScreensFromRegions({{4000000000u, 0, 4000000000u, 1, 1.0}});
  EXPECT_EQ(huge[0].x, 2147483647);
  EXPECT_EQ(huge[0].width, 2147483647);
}

TEST(ScreenGeometryTest, APointOnNoScreenGoesToTheNearestPixel) {
  std::vector<ScreenInfo> screens(2);
  screens[0].width = 1280;
  screens[0].height = 1024;
  screens[1].x = 1280;
  screens[1].width = 1024;
  screens[1].height = 768;
  const struct {
    int32_t x, y;
    size_t screen;
    int32_t on_x, on_y;
  } cases[] = {
      {10, 20, 0, 10, 20},
      {1280, 0, 1, 1280, 0},
      {2000, 900, 1, 2000, 767},  // below the smaller screen
      {-50, -50, 0, 0, 0},
      {5000, 100, 1, 2303, 100},
      {INT32_MIN, INT32_MAX, 0, 0, 1023},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.y));
    const size_t index = common::NearestScreen(screens, c.x, c.y);
    ASSERT_EQ(index, c.screen);
    int32_t x = c.x;
    int32_t y = c.y;
    common::ClampToScreen(screens[index], &x, &y);
    EXPECT_EQ(x, c.on_x);
    EXPECT_EQ(y, c.on_y);
  }
  EXPECT_EQ(common::NearestScreen({}, 0, 0), 0u);

  int32_t width = -1;
  int32_t height = -1;
  ASSERT_TRUE(common::DesktopSize(screens, &width, &height));
  EXPECT_EQ(width, 2304);
  EXPECT_EQ(height, 1024);
  EXPECT_FALSE(common::DesktopSize({}, &width, &height));
  EXPECT_EQ(width, 2304);
}

TEST(HeldCodesTest, ReleasesKeysLastFirstThenButtons) {
  common::HeldCodes held;
  held.KeyDown(0x38, 42);  // Shift
  held.KeyDown(0x00, 30);  // A
  held.KeyDown(0x01, 31);  // S
  held.ButtonDown(272);
  held.ButtonDown(273);
  EXPECT_EQ(held.TakeKey(0x01), 31u);
  EXPECT_EQ(held.TakeKey(0x01), 0u);
  held.ButtonUp(273);
  std::vector<std::string> released;
  held.ReleaseAll(
      [&](uint32_t code) { released.push_back("key " + std::to_string(code)); },
      [&](int32_t button) {
        released.push_back("button " + std::to_string(button));
      });
  EXPECT_EQ(released,
            (std::vector<std::string>{"key 30", "key 42", "button 272"}));
  held.ReleaseAll([&](uint32_t) { released.push_back("again"); },
                  [&](int32_t) { released.push_back("again"); });
  EXPECT_EQ(released.size(), 3u);
}

}  // namespace
}  // namespace quorvel
