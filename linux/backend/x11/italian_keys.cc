#include "backend/x11/italian_keys.h"

#include <X11/keysym.h>

#include <unordered_map>

namespace quorvel {
namespace x11 {

const std::vector<KeySym>* ItalianKeys(const std::string& text) {
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
  return it == italian_keys.end() ? nullptr : &it->second;
}

}  // namespace x11
}  // namespace quorvel
