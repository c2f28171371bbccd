#include "backend/common/mac_key_table.h"

#include <gtest/gtest.h>

#include <set>

#include "keys/expected_mac_keys.h"

namespace quorvel {
namespace {

using testing::kExpectedMacKeys;
using testing::kUnmappedMacCodes;

TEST(MacKeyTableTest, TranslatesEveryDocumentedKey) {
  for (const auto& key : kExpectedMacKeys) {
    EXPECT_EQ(TranslateMacVk(key.mac_code), key.keysym)
        << key.mac_name << " (0x" << std::hex << key.mac_code << ")";
  }
  EXPECT_EQ(MacVkToKeysym().size(), std::size(kExpectedMacKeys));
}

TEST(MacKeyTableTest, CodesAndKeysymsAreDistinct) {
  std::set<uint32_t> codes;
  std::set<uint32_t> keysyms;
  for (const auto& [code, keysym] : MacVkToKeysym()) {
    codes.insert(code);
    keysyms.insert(keysym);
    EXPECT_NE(keysym, 0u) << "code 0x" << std::hex << code;
  }
  EXPECT_EQ(codes.size(), 99u);
  EXPECT_EQ(keysyms.size(), 99u);
}

TEST(MacKeyTableTest, CodesWithoutAnEntryTranslateToNoSymbol) {
  for (uint32_t code : kUnmappedMacCodes) {
    EXPECT_EQ(TranslateMacVk(code), 0u) << "code 0x" << std::hex << code;
  }
}

// 0 is both kVK_ANSI_A and the "no KeySym" result; the key must win.
TEST(MacKeyTableTest, CodeZeroIsTheAKey) {
  EXPECT_EQ(TranslateMacVk(0x00), static_cast<uint32_t>(XK_a));
}

TEST(MacKeyTableTest, ModifiersAndEnterKeysAreTheDocumentedOnes) {
  EXPECT_EQ(TranslateMacVk(0x37), static_cast<uint32_t>(XK_Super_L));
  EXPECT_EQ(TranslateMacVk(0x38), static_cast<uint32_t>(XK_Shift_L));
  EXPECT_EQ(TranslateMacVk(0x24), static_cast<uint32_t>(XK_Return));
  EXPECT_EQ(TranslateMacVk(0x4c), static_cast<uint32_t>(XK_KP_Enter));
}

TEST(MacKeyTableTest, RepeatedLookupsGiveTheSameTable) {
  const auto* first = &MacVkToKeysym();
  EXPECT_EQ(TranslateMacVk(0x24), TranslateMacVk(0x24));
  EXPECT_EQ(&MacVkToKeysym(), first);
}

}  // namespace
}  // namespace quorvel
