// The pure parts of typing: which symbol a client reads from a key's levels,
// and when a spare keycode may take another symbol.

#include <X11/keysym.h>
#include <gtest/gtest.h>

#include <chrono>

#include "backend/x11/key_levels.h"
#include "backend/x11/spare_keycodes.h"

namespace quorvel {
namespace x11 {
namespace {

using std::chrono::milliseconds;

// XKB's alphabetic type: Shift or Caps Lock alone select level 2, both
// together level 1.
struct AlphabeticType {
  XkbKTMapEntryRec entries[2] = {
      {True, 1, {ShiftMask, ShiftMask, 0}},
      {True, 1, {LockMask, LockMask, 0}},
  };
  XkbKeyTypeRec type = {{ShiftMask | LockMask, ShiftMask | LockMask, 0},
                        2,
                        2,
                        entries,
                        nullptr,
                        0,
                        nullptr};
};

// XKB's two-level type: Shift selects level 2; Caps Lock is left unused.
struct TwoLevelType {
  XkbKTMapEntryRec entries[1] = {{True, 1, {ShiftMask, ShiftMask, 0}}};
  XkbKeyTypeRec type = {
      {ShiftMask, ShiftMask, 0}, 2, 1, entries, nullptr, 0, nullptr};
};

TEST(KeyLevelsTest, CapsLockSelectsTheCaseOnAlphabeticKeys) {
  AlphabeticType alphabetic;
  const KeySym letter[] = {XK_a, XK_A};
  EXPECT_EQ(ClientKeysym(alphabetic.type, letter, 2, 0), KeySym{XK_a});
  EXPECT_EQ(ClientKeysym(alphabetic.type, letter, 2, LockMask), KeySym{XK_A});
  EXPECT_EQ(ClientKeysym(alphabetic.type, letter, 2, LockMask | ShiftMask),
            KeySym{XK_a});
  // The same symbol on both levels stays itself under any of them.
  const KeySym same[] = {XK_ssharp, XK_ssharp};
  for (unsigned mods : {0u, unsigned{ShiftMask}, unsigned{LockMask},
                        unsigned{ShiftMask | LockMask}}) {
    EXPECT_EQ(ClientKeysym(alphabetic.type, same, 2, mods), KeySym{XK_ssharp});
  }
}

// Where the type leaves Caps Lock unused, the client upper-cases the symbol
// itself, as Xlib's lookup does.
TEST(KeyLevelsTest, UnusedCapsLockUpperCasesTheSymbol) {
  TwoLevelType two_level;
  const KeySym zhe[] = {XK_Cyrillic_zhe, XK_Cyrillic_zhe};
  EXPECT_EQ(ClientKeysym(two_level.type, zhe, 2, 0), KeySym{XK_Cyrillic_zhe});
  EXPECT_EQ(ClientKeysym(two_level.type, zhe, 2, LockMask),
            KeySym{XK_Cyrillic_ZHE});
  const KeySym digit[] = {XK_1, XK_exclam};
  EXPECT_EQ(ClientKeysym(two_level.type, digit, 2, LockMask), KeySym{XK_1});
}

SparePool::Key Spare(KeyCode keycode) {
  SparePool::Key key;
  key.keycode = keycode;
  return key;
}

TEST(SparePoolTest, KeycodesWaitBeforeTakingAnotherSymbol) {
  SparePool pool;
  pool.Reset({Spare(250), Spare(249)});
  const SparePool::Clock::time_point start;
  bool map = false;

  EXPECT_EQ(pool.Take(XK_a, XK_a, start, &map), 250);
  EXPECT_TRUE(map);
  EXPECT_EQ(pool.Take(XK_b, XK_b, start + milliseconds(1), &map), 249);
  EXPECT_TRUE(map);
  // A symbol already on a spare reuses it without mapping again.
  EXPECT_EQ(pool.Take(XK_a, XK_a, start + milliseconds(2), &map), 250);
  EXPECT_FALSE(map);
  // Both were used within the settle time: none is free.
  EXPECT_EQ(pool.Take(XK_c, XK_c, start + milliseconds(150), &map), 0);
  // Later the least recently used one is taken.
  EXPECT_EQ(pool.Take(XK_c, XK_c, start + milliseconds(202), &map), 249);
  EXPECT_TRUE(map);
  EXPECT_TRUE(pool.Carries(249));
}

}  // namespace
}  // namespace x11
}  // namespace quorvel
