#include "backend/common/mac_key_table.h"

#include <xkbcommon/xkbcommon-keysyms.h>

#include <iterator>
#include <utility>

namespace quorvel {
namespace {

// Each macOS code names a key of the ANSI layout; its KeySym is that key's
// unmodified symbol on a US layout, so the server's keymap resolves it to the
// same physical key. Keypad keys keep their keypad KeySyms so that Enter and
// the digits stay distinguishable from the main block.
//
// The right Command key (0x36) has no entry on purpose: this table is the key
// vocabulary the application documents for every platform, and the left
// Command key (0x37) already reaches X as Super_L. Unlisted codes send
// nothing rather than guessing a key.
constexpr std::pair<uint32_t, uint32_t> kMacKeys[] = {
    {0x00, XKB_KEY_a},
    {0x0b, XKB_KEY_b},
    {0x08, XKB_KEY_c},
    {0x02, XKB_KEY_d},
    {0x0e, XKB_KEY_e},
    {0x03, XKB_KEY_f},
    {0x05, XKB_KEY_g},
    {0x04, XKB_KEY_h},
    {0x22, XKB_KEY_i},
    {0x26, XKB_KEY_j},
    {0x28, XKB_KEY_k},
    {0x25, XKB_KEY_l},
    {0x2e, XKB_KEY_m},
    {0x2d, XKB_KEY_n},
    {0x1f, XKB_KEY_o},
    {0x23, XKB_KEY_p},
    {0x0c, XKB_KEY_q},
    {0x0f, XKB_KEY_r},
    {0x01, XKB_KEY_s},
    {0x11, XKB_KEY_t},
    {0x20, XKB_KEY_u},
    {0x09, XKB_KEY_v},
    {0x0d, XKB_KEY_w},
    {0x07, XKB_KEY_x},
    {0x10, XKB_KEY_y},
    {0x06, XKB_KEY_z},
    {0x1d, XKB_KEY_0},
    {0x12, XKB_KEY_1},
    {0x13, XKB_KEY_2},
    {0x14, XKB_KEY_3},
    {0x15, XKB_KEY_4},
    {0x17, XKB_KEY_5},
    {0x16, XKB_KEY_6},
    {0x1a, XKB_KEY_7},
    {0x1c, XKB_KEY_8},
    {0x19, XKB_KEY_9},
    {0x18, XKB_KEY_equal},
    {0x1b, XKB_KEY_minus},
    {0x21, XKB_KEY_bracketleft},
    {0x1e, XKB_KEY_bracketright},
    {0x27, XKB_KEY_apostrophe},
    {0x29, XKB_KEY_semicolon},
    {0x2a, XKB_KEY_backslash},
    {0x2b, XKB_KEY_comma},
    {0x2c, XKB_KEY_slash},
    {0x2f, XKB_KEY_period},
    {0x32, XKB_KEY_grave},
    {0x24, XKB_KEY_Return},
    {0x30, XKB_KEY_Tab},
    {0x31, XKB_KEY_space},
    {0x33, XKB_KEY_BackSpace},  // macOS "Delete" erases backwards.
    {0x35, XKB_KEY_Escape},
    {0x37, XKB_KEY_Super_L},  // Command: the Super key, not Control.
    {0x38, XKB_KEY_Shift_L},
    {0x39, XKB_KEY_Caps_Lock},
    {0x3a, XKB_KEY_Alt_L},
    {0x3b, XKB_KEY_Control_L},
    {0x3c, XKB_KEY_Shift_R},
    {0x3d, XKB_KEY_Alt_R},
    {0x3e, XKB_KEY_Control_R},
    {0x7b, XKB_KEY_Left},
    {0x7c, XKB_KEY_Right},
    {0x7d, XKB_KEY_Down},
    {0x7e, XKB_KEY_Up},
    {0x72, XKB_KEY_Insert},  // Help sits where PC keyboards have Insert.
    {0x73, XKB_KEY_Home},
    {0x74, XKB_KEY_Page_Up},
    {0x75, XKB_KEY_Delete},  // Forward Delete.
    {0x77, XKB_KEY_End},
    {0x79, XKB_KEY_Page_Down},
    {0x7a, XKB_KEY_F1},
    {0x78, XKB_KEY_F2},
    {0x63, XKB_KEY_F3},
    {0x76, XKB_KEY_F4},
    {0x60, XKB_KEY_F5},
    {0x61, XKB_KEY_F6},
    {0x62, XKB_KEY_F7},
    {0x64, XKB_KEY_F8},
    {0x65, XKB_KEY_F9},
    {0x6d, XKB_KEY_F10},
    {0x67, XKB_KEY_F11},
    {0x6f, XKB_KEY_F12},
    {0x52, XKB_KEY_KP_0},
    {0x53, XKB_KEY_KP_1},
    {0x54, XKB_KEY_KP_2},
    {0x55, XKB_KEY_KP_3},
    {0x56, XKB_KEY_KP_4},
    {0x57, XKB_KEY_KP_5},
    {0x58, XKB_KEY_KP_6},
    {0x59, XKB_KEY_KP_7},
    {0x5b, XKB_KEY_KP_8},
    {0x5c, XKB_KEY_KP_9},
    {0x41, XKB_KEY_KP_Decimal},
    {0x43, XKB_KEY_KP_Multiply},
    {0x45, XKB_KEY_KP_Add},
    {0x4b, XKB_KEY_KP_Divide},
    {0x4c, XKB_KEY_KP_Enter},
    {0x4e, XKB_KEY_KP_Subtract},
    {0x51, XKB_KEY_KP_Equal},
};

}  // namespace

const std::unordered_map<uint32_t, uint32_t>& MacVkToKeysym() {
  // Built on the first lookup under the static-local guard, read-only after.
  static const std::unordered_map<uint32_t, uint32_t> map(std::begin(kMacKeys),
                                                          std::end(kMacKeys));
  return map;
}

uint32_t TranslateMacVk(uint32_t key) {
  const auto& map = MacVkToKeysym();
  auto it = map.find(key);
  return it == map.end() ? 0 : it->second;
}

}  // namespace quorvel
