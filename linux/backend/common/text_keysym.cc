#include "backend/common/text_keysym.h"

#include <glib.h>
#include <xkbcommon/xkbcommon.h>

namespace quorvel {
namespace common {

uint32_t KeysymForText(const std::string& text) {
  if (text.empty() || !g_utf8_validate(text.c_str(), text.size(), nullptr)) {
    return 0;
  }
  if (g_utf8_strlen(text.c_str(), text.size()) == 1) {
    const gunichar character = g_utf8_get_char(text.c_str());
    // Control characters have no KeySym of their own in this sense.
    if (!g_unichar_iscntrl(character)) {
      return xkb_utf32_to_keysym(character);
    }
  }
  return xkb_keysym_from_name(text.c_str(), XKB_KEYSYM_NO_FLAGS);
}

}  // namespace common
}  // namespace quorvel
