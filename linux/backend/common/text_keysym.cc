#include "backend/common/text_keysym.h"

#include <glib.h>
#include <xkbcommon/xkbcommon.h>

namespace quorvel {
namespace common {

bool TextCharacter(const std::string& text, char32_t* code_point) {
  if (text.empty() || !g_utf8_validate(text.c_str(), text.size(), nullptr) ||
      g_utf8_strlen(text.c_str(), text.size()) != 1) {
    return false;
  }
  const gunichar character = g_utf8_get_char(text.c_str());
  // Control characters have no KeySym of their own in this sense.
  if (g_unichar_iscntrl(character)) {
    return false;
  }
  *code_point = character;
  return true;
}

uint32_t KeysymForText(const std::string& text) {
  char32_t character = 0;
  if (TextCharacter(text, &character)) {
    return xkb_utf32_to_keysym(character);
  }
  if (text.empty() || !g_utf8_validate(text.c_str(), text.size(), nullptr)) {
    return 0;
  }
  return xkb_keysym_from_name(text.c_str(), XKB_KEYSYM_NO_FLAGS);
}

}  // namespace common
}  // namespace quorvel
