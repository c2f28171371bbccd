#include "backend/x11/mac_key_table.h"

#include <X11/keysym.h>

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
    {0x00, XK_a},
    {0x0b, XK_b},
    {0x08, XK_c},
    {0x02, XK_d},
    {0x0e, XK_e},
    {0x03, XK_f},
    {0x05, XK_g},
    {0x04, XK_h},
    {0x22, XK_i},
    {0x26, XK_j},
    {0x28, XK_k},
    {0x25, XK_l},
    {0x2e, XK_m},
    {0x2d, XK_n},
    {0x1f, XK_o},
    {0x23, XK_p},
    {0x0c, XK_q},
    {0x0f, XK_r},
    {0x01, XK_s},
    {0x11, XK_t},
    {0x20, XK_u},
    {0x09, XK_v},
    {0x0d, XK_w},
    {0x07, XK_x},
    {0x10, XK_y},
    {0x06, XK_z},
    {0x1d, XK_0},
    {0x12, XK_1},
    {0x13, XK_2},
    {0x14, XK_3},
    {0x15, XK_4},
    {0x17, XK_5},
    {0x16, XK_6},
    {0x1a, XK_7},
    {0x1c, XK_8},
    {0x19, XK_9},
    {0x18, XK_equal},
    {0x1b, XK_minus},
    {0x21, XK_bracketleft},
    {0x1e, XK_bracketright},
    {0x27, XK_apostrophe},
    {0x29, XK_semicolon},
    {0x2a, XK_backslash},
    {0x2b, XK_comma},
    {0x2c, XK_slash},
    {0x2f, XK_period},
    {0x32, XK_grave},
    {0x24, XK_Return},
    {0x30, XK_Tab},
    {0x31, XK_space},
    {0x33, XK_BackSpace},  // macOS "Delete" erases backwards.
    {0x35, XK_Escape},
    {0x37, XK_Super_L},  // Command: the Super key, not Control.
    {0x38, XK_Shift_L},
    {0x39, XK_Caps_Lock},
    {0x3a, XK_Alt_L},
    {0x3b, XK_Control_L},
    {0x3c, XK_Shift_R},
    {0x3d, XK_Alt_R},
    {0x3e, XK_Control_R},
    {0x7b, XK_Left},
    {0x7c, XK_Right},
    {0x7d, XK_Down},
    {0x7e, XK_Up},
    {0x72, XK_Insert},  // Help sits where PC keyboards have Insert.
    {0x73, XK_Home},
    {0x74, XK_Page_Up},
    {0x75, XK_Delete},  // Forward Delete.
    {0x77, XK_End},
    {0x79, XK_Page_Down},
    {0x7a, XK_F1},
    {0x78, XK_F2},
    {0x63, XK_F3},
    {0x76, XK_F4},
    {0x60, XK_F5},
    {0x61, XK_F6},
    {0x62, XK_F7},
    {0x64, XK_F8},
    {0x65, XK_F9},
    {0x6d, XK_F10},
    {0x67, XK_F11},
    {0x6f, XK_F12},
    {0x52, XK_KP_0},
    {0x53, XK_KP_1},
    {0x54, XK_KP_2},
    {0x55, XK_KP_3},
    {0x56, XK_KP_4},
    {0x57, XK_KP_5},
    {0x58, XK_KP_6},
    {0x59, XK_KP_7},
    {0x5b, XK_KP_8},
    {0x5c, XK_KP_9},
    {0x41, XK_KP_Decimal},
    {0x43, XK_KP_Multiply},
    {0x45, XK_KP_Add},
    {0x4b, XK_KP_Divide},
    {0x4c, XK_KP_Enter},
    {0x4e, XK_KP_Subtract},
    {0x51, XK_KP_Equal},
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
