#include "backend/common/italian_keys.h"

#include <xkbcommon/xkbcommon-keysyms.h>

#include <unordered_map>

namespace quorvel {
namespace common {

const std::vector<uint32_t>* ItalianKeys(const std::string& text) {
  static const std::unordered_map<std::string, std::vector<uint32_t>>
      italian_keys = {
          {"!", {XKB_KEY_Shift_R, XKB_KEY_1}},
          {"\"", {XKB_KEY_Shift_R, XKB_KEY_2}},
          {"\xc2\xa3", {XKB_KEY_Shift_R, XKB_KEY_3}},  // £
          {"$", {XKB_KEY_Shift_R, XKB_KEY_4}},
          {"%", {XKB_KEY_Shift_R, XKB_KEY_5}},
          {"&", {XKB_KEY_Shift_R, XKB_KEY_6}},
          {"/", {XKB_KEY_Shift_R, XKB_KEY_7}},
          {"(", {XKB_KEY_Shift_R, XKB_KEY_8}},
          {")", {XKB_KEY_Shift_R, XKB_KEY_9}},
          {"=", {XKB_KEY_Shift_R, XKB_KEY_0}},
          {"'", {XKB_KEY_apostrophe}},
          {"?", {XKB_KEY_Shift_R, XKB_KEY_apostrophe}},
          {"`", {XKB_KEY_ISO_Level3_Shift, XKB_KEY_apostrophe}},
          {"\xc3\xac", {XKB_KEY_igrave}},  // ì
          {"^", {XKB_KEY_Shift_R, XKB_KEY_igrave}},
          {"~", {XKB_KEY_ISO_Level3_Shift, XKB_KEY_igrave}},
          {"\xc3\xa8", {XKB_KEY_egrave}},                   // è
          {"\xc3\xa9", {XKB_KEY_Shift_R, XKB_KEY_egrave}},  // é
          {"[", {XKB_KEY_ISO_Level3_Shift, XKB_KEY_egrave}},
          {"{", {XKB_KEY_ISO_Level3_Shift, XKB_KEY_Shift_R, XKB_KEY_egrave}},
          {"+", {XKB_KEY_plus}},
          {"*", {XKB_KEY_Shift_R, XKB_KEY_plus}},
          {"]", {XKB_KEY_ISO_Level3_Shift, XKB_KEY_plus}},
          {"}", {XKB_KEY_ISO_Level3_Shift, XKB_KEY_Shift_R, XKB_KEY_plus}},
          {"\xc3\xb2", {XKB_KEY_ograve}},                   // ò
          {"\xc3\xa7", {XKB_KEY_Shift_R, XKB_KEY_ograve}},  // ç
          {"@", {XKB_KEY_ISO_Level3_Shift, XKB_KEY_ograve}},
          {"\xc3\xa0", {XKB_KEY_agrave}},                   // à
          {"\xc2\xb0", {XKB_KEY_Shift_R, XKB_KEY_agrave}},  // °
          {"#", {XKB_KEY_ISO_Level3_Shift, XKB_KEY_agrave}},
          {"\xc3\xb9", {XKB_KEY_ugrave}},                           // ù
          {"\xc2\xa7", {XKB_KEY_Shift_R, XKB_KEY_ugrave}},          // §
          {"\xe2\x82\xac", {XKB_KEY_ISO_Level3_Shift, XKB_KEY_e}},  // €
          {"\\", {XKB_KEY_backslash}},
          {"|", {XKB_KEY_Shift_R, XKB_KEY_backslash}},
          {"<", {XKB_KEY_less}},
          {">", {XKB_KEY_Shift_R, XKB_KEY_less}},
          {",", {XKB_KEY_comma}},
          {";", {XKB_KEY_Shift_R, XKB_KEY_comma}},
          {".", {XKB_KEY_period}},
          {":", {XKB_KEY_Shift_R, XKB_KEY_period}},
          {"-", {XKB_KEY_minus}},
          {"_", {XKB_KEY_Shift_R, XKB_KEY_minus}},
      };
  auto it = italian_keys.find(text);
  return it == italian_keys.end() ? nullptr : &it->second;
}

}  // namespace common
}  // namespace quorvel
