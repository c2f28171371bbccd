#ifndef QUORVEL_TESTS_KEYS_EXPECTED_MAC_KEYS_H_
#define QUORVEL_TESTS_KEYS_EXPECTED_MAC_KEYS_H_

#include <X11/keysym.h>

#include <cstdint>

namespace quorvel {
namespace testing {

struct ExpectedMacKey {
  uint32_t mac_code;
  uint32_t keysym;
  const char* mac_name;
};

// The documented key vocabulary, written out independently of the table in
// the library so that a changed or dropped entry shows up as a failure.
inline constexpr ExpectedMacKey kExpectedMacKeys[] = {
    {0x00, XK_a, "kVK_ANSI_A"},
    {0x0b, XK_b, "kVK_ANSI_B"},
    {0x08, XK_c, "kVK_ANSI_C"},
    {0x02, XK_d, "kVK_ANSI_D"},
    {0x0e, XK_e, "kVK_ANSI_E"},
    {0x03, XK_f, "kVK_ANSI_F"},
    {0x05, XK_g, "kVK_ANSI_G"},
    {0x04, XK_h, "kVK_ANSI_H"},
    {0x22, XK_i, "kVK_ANSI_I"},
    {0x26, XK_j, "kVK_ANSI_J"},
    {0x28, XK_k, "kVK_ANSI_K"},
    {0x25, XK_l, "kVK_ANSI_L"},
    {0x2e, XK_m, "kVK_ANSI_M"},
    {0x2d, XK_n, "kVK_ANSI_N"},
    {0x1f, XK_o, "kVK_ANSI_O"},
    {0x23, XK_p, "kVK_ANSI_P"},
    {0x0c, XK_q, "kVK_ANSI_Q"},
    {0x0f, XK_r, "kVK_ANSI_R"},
    {0x01, XK_s, "kVK_ANSI_S"},
    {0x11, XK_t, "kVK_ANSI_T"},
    {0x20, XK_u, "kVK_ANSI_U"},
    {0x09, XK_v, "kVK_ANSI_V"},
    {0x0d, XK_w, "kVK_ANSI_W"},
    {0x07, XK_x, "kVK_ANSI_X"},
    {0x10, XK_y, "kVK_ANSI_Y"},
    {0x06, XK_z, "kVK_ANSI_Z"},
    {0x1d, XK_0, "kVK_ANSI_0"},
    {0x12, XK_1, "kVK_ANSI_1"},
    {0x13, XK_2, "kVK_ANSI_2"},
    {0x14, XK_3, "kVK_ANSI_3"},
    {0x15, XK_4, "kVK_ANSI_4"},
    {0x17, XK_5, "kVK_ANSI_5"},
    {0x16, XK_6, "kVK_ANSI_6"},
    {0x1a, XK_7, "kVK_ANSI_7"},
    {0x1c, XK_8, "kVK_ANSI_8"},
    {0x19, XK_9, "kVK_ANSI_9"},
    {0x18, XK_equal, "kVK_ANSI_Equal"},
    {0x1b, XK_minus, "kVK_ANSI_Minus"},
    {0x21, XK_bracketleft, "kVK_ANSI_LeftBracket"},
    {0x1e, XK_bracketright, "kVK_ANSI_RightBracket"},
    {0x27, XK_apostrophe, "kVK_ANSI_Quote"},
    {0x29, XK_semicolon, "kVK_ANSI_Semicolon"},
    {0x2a, XK_backslash, "kVK_ANSI_Backslash"},
    {0x2b, XK_comma, "kVK_ANSI_Comma"},
    {0x2c, XK_slash, "kVK_ANSI_Slash"},
    {0x2f, XK_period, "kVK_ANSI_Period"},
    {0x32, XK_grave, "kVK_ANSI_Grave"},
    {0x24, XK_Return, "kVK_Return"},
    {0x30, XK_Tab, "kVK_Tab"},
    {0x31, XK_space, "kVK_Space"},
    {0x33, XK_BackSpace, "kVK_Delete"},
    {0x35, XK_Escape, "kVK_Escape"},
    {0x37, XK_Super_L, "kVK_Command"},
    {0x38, XK_Shift_L, "kVK_Shift"},
    {0x39, XK_Caps_Lock, "kVK_CapsLock"},
    {0x3a, XK_Alt_L, "kVK_Option"},
    {0x3b, XK_Control_L, "kVK_Control"},
    {0x3c, XK_Shift_R, "kVK_RightShift"},
    {0x3d, XK_Alt_R, "kVK_RightOption"},
    {0x3e, XK_Control_R, "kVK_RightControl"},
    {0x7b, XK_Left, "kVK_LeftArrow"},
    {0x7c, XK_Right, "kVK_RightArrow"},
    {0x7d, XK_Down, "kVK_DownArrow"},
    {0x7e, XK_Up, "kVK_UpArrow"},
    {0x72, XK_Insert, "kVK_Help"},
    {0x73, XK_Home, "kVK_Home"},
    {0x74, XK_Page_Up, "kVK_PageUp"},
    {0x75, XK_Delete, "kVK_ForwardDelete"},
    {0x77, XK_End, "kVK_End"},
    {0x79, XK_Page_Down, "kVK_PageDown"},
    {0x7a, XK_F1, "kVK_F1"},
    {0x78, XK_F2, "kVK_F2"},
    {0x63, XK_F3, "kVK_F3"},
    {0x76, XK_F4, "kVK_F4"},
    {0x60, XK_F5, "kVK_F5"},
    {0x61, XK_F6, "kVK_F6"},
    {0x62, XK_F7, "kVK_F7"},
    {0x64, XK_F8, "kVK_F8"},
    {0x65, XK_F9, "kVK_F9"},
    {0x6d, XK_F10, "kVK_F10"},
    {0x67, XK_F11, "kVK_F11"},
    {0x6f, XK_F12, "kVK_F12"},
    {0x52, XK_KP_0, "kVK_ANSI_Keypad0"},
    {0x53, XK_KP_1, "kVK_ANSI_Keypad1"},
    {0x54, XK_KP_2, "kVK_ANSI_Keypad2"},
    {0x55, XK_KP_3, "kVK_ANSI_Keypad3"},
    {0x56, XK_KP_4, "kVK_ANSI_Keypad4"},
    {0x57, XK_KP_5, "kVK_ANSI_Keypad5"},
    {0x58, XK_KP_6, "kVK_ANSI_Keypad6"},
    {0x59, XK_KP_7, "kVK_ANSI_Keypad7"},
    {0x5b, XK_KP_8, "kVK_ANSI_Keypad8"},
    {0x5c, XK_KP_9, "kVK_ANSI_Keypad9"},
    {0x41, XK_KP_Decimal, "kVK_ANSI_KeypadDecimal"},
    {0x43, XK_KP_Multiply, "kVK_ANSI_KeypadMultiply"},
    {0x45, XK_KP_Add, "kVK_ANSI_KeypadPlus"},
    {0x4b, XK_KP_Divide, "kVK_ANSI_KeypadDivide"},
    {0x4c, XK_KP_Enter, "kVK_ANSI_KeypadEnter"},
    {0x4e, XK_KP_Subtract, "kVK_ANSI_KeypadMinus"},
    {0x51, XK_KP_Equal, "kVK_ANSI_KeypadEquals"},
};

// Codes that name real macOS keys (or nothing) and must send nothing.
inline constexpr uint32_t kUnmappedMacCodes[] = {
    0x0a,        // kVK_ISO_Section
    0x36,        // right Command: deliberately outside the vocabulary
    0x3f,        // kVK_Function
    0x47,        // kVK_ANSI_KeypadClear
    0x69,        // F13
    0x80,        // first code above the macOS range
    0xffffffff,  // -1 on the channel
};

}  // namespace testing
}  // namespace quorvel

#endif  // QUORVEL_TESTS_KEYS_EXPECTED_MAC_KEYS_H_
