#include "backend/common/text_keysym.h"

#include <glib.h>
#include <xkbcommon/xkbcommon.h>

namespace quorvel {
namespace common {

bool Utf8Character(const std::string& text, char32_t* code_point) {
  if (text.empty()) {
    return false;
  }
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  const unsigned char lead = bytes[0];
  size_t length = 0;
  char32_t value = 0;
  char32_t smallest = 0;  // below this, a shorter form exists
  if (lead < 0x80) {
    length = 1;
    value = lead;
    smallest = 1;
  } else if ((lead & 0xE0) == 0xC0) {
    length = 2;
    value = lead & 0x1Fu;
    smallest = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3;
    value = lead & 0x0Fu;
    smallest = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4;
    value = lead & 0x07u;
    smallest = 0x10000;
  } else {
    return false;
  }
  if (text.size() != length) {
    return false;
  }
  for (size_t i = 1; i < length; ++i) {
    if ((bytes[i] & 0xC0) != 0x80) {
      return false;
    }
    value = (value << 6) | (bytes[i] & 0x3Fu);
  }
  if (value < smallest || (value >= 0xD800 && value <= 0xDFFF) ||
      value > 0x10FFFF) {
    return false;
  }
  *code_point = value;
  return true;
}

bool TextCharacter(const std::string& text, char32_t* code_point) {
  char32_t character = 0;
  // Control characters have no KeySym of their own in this sense.
  if (!Utf8Character(text, &character) || g_unichar_iscntrl(character)) {
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
