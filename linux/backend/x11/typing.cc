#include "backend/x11/typing.h"

#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <unordered_map>
#include <vector>

#include "backend/x11/keys.h"

namespace quorvel {
namespace x11 {
namespace {

// Presses the chord's modifiers, then its last KeySym, holds and releases in
// reverse order. A KeySym the keymap lacks is skipped; the rest still go
// ahead so the user sees at least the base character. True when nothing was
// skipped.
bool TypeChord(Display* display,
               Keymap& keymap,
               const std::vector<KeySym>& chord) {
  std::vector<KeyCode> keycodes;
  for (KeySym keysym : chord) {
    const KeyCode keycode = keymap.KeycodeFor(keysym);
    if (keycode != 0) {
      keycodes.push_back(keycode);
    }
  }
  if (keycodes.empty()) {
    return false;
  }
  const KeyCode key = keycodes.back();
  keycodes.pop_back();
  TapKeycode(display, key, keycodes);
  return keycodes.size() + 1 == chord.size();
}

// One key by its Xlib KeySym name, or a single byte taken as a Latin-1
// KeySym. Never adds a modifier.
bool TypeKeysymName(Display* display,
                    Keymap& keymap,
                    const std::string& text) {
  KeySym keysym = XStringToKeysym(text.c_str());
  if (keysym == NoSymbol) {
    if (text.size() != 1 || text[0] == '\0') {
      return false;
    }
    keysym = static_cast<unsigned char>(text[0]);
  }
  const KeyCode keycode = keymap.KeycodeFor(keysym);
  if (keycode == 0) {
    return false;
  }
  TapKeycode(display, keycode, {});
  return true;
}

}  // namespace

bool TypeText(Display* display,
              Keymap& keymap,
              const std::vector<KeyCode>& /*held_keys*/,
              const std::string& text) {
  if (!display || text.empty()) {
    return false;
  }
  // Characters of the Italian layout that no KeySym name reaches, each as
  // the KeySyms to hold together: modifiers first, the base key's unshifted
  // symbol last. Shift_R selects level 2, ISO_Level3_Shift level 3, both
  // level 4. Keys are exact UTF-8 bytes; nothing is normalised.
  static const std::unordered_map<std::string, std::vector<KeySym>>
      italian_keys = {
          {"!", {XK_Shift_R, XK_1}},
          {"\"", {XK_Shift_R, XK_2}},
          {"\xc2\xa3", {XK_Shift_R, XK_3}},  // £
          {"$", {XK_Shift_R, XK_4}},
          {"%", {XK_Shift_R, XK_5}},
          {"&", {XK_Shift_R, XK_6}},
          {"/", {XK_Shift_R, XK_7}},
          {"(", {XK_Shift_R, XK_8}},
          {")", {XK_Shift_R, XK_9}},
          {"=", {XK_Shift_R, XK_0}},
          {"'", {XK_apostrophe}},
          {"?", {XK_Shift_R, XK_apostrophe}},
          {"`", {XK_ISO_Level3_Shift, XK_apostrophe}},
          {"\xc3\xac", {XK_igrave}},  // ì
          {"^", {XK_Shift_R, XK_igrave}},
          {"~", {XK_ISO_Level3_Shift, XK_igrave}},
          {"\xc3\xa8", {XK_egrave}},              // è
          {"\xc3\xa9", {XK_Shift_R, XK_egrave}},  // é
          {"[", {XK_ISO_Level3_Shift, XK_egrave}},
          {"{", {XK_ISO_Level3_Shift, XK_Shift_R, XK_egrave}},
          {"+", {XK_plus}},
          {"*", {XK_Shift_R, XK_plus}},
          {"]", {XK_ISO_Level3_Shift, XK_plus}},
          {"}", {XK_ISO_Level3_Shift, XK_Shift_R, XK_plus}},
          {"\xc3\xb2", {XK_ograve}},              // ò
          {"\xc3\xa7", {XK_Shift_R, XK_ograve}},  // ç
          {"@", {XK_ISO_Level3_Shift, XK_ograve}},
          {"\xc3\xa0", {XK_agrave}},              // à
          {"\xc2\xb0", {XK_Shift_R, XK_agrave}},  // °
          {"#", {XK_ISO_Level3_Shift, XK_agrave}},
          {"\xc3\xb9", {XK_ugrave}},                      // ù
          {"\xc2\xa7", {XK_Shift_R, XK_ugrave}},          // §
          {"\xe2\x82\xac", {XK_ISO_Level3_Shift, XK_e}},  // €
          {"\\", {XK_backslash}},
          {"|", {XK_Shift_R, XK_backslash}},
          {"<", {XK_less}},
          {">", {XK_Shift_R, XK_less}},
          {",", {XK_comma}},
          {";", {XK_Shift_R, XK_comma}},
          {".", {XK_period}},
          {":", {XK_Shift_R, XK_period}},
          {"-", {XK_minus}},
          {"_", {XK_Shift_R, XK_minus}},
      };
  auto it = italian_keys.find(text);
  if (it != italian_keys.end()) {
    return TypeChord(display, keymap, it->second);
  }
  return TypeKeysymName(display, keymap, text);
}

}  // namespace x11
}  // namespace quorvel
