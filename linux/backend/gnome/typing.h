#ifndef QUORVEL_BACKEND_GNOME_TYPING_H_
#define QUORVEL_BACKEND_GNOME_TYPING_H_

#include <cstdint>
#include <string>

namespace quorvel {
namespace gnome {

// The KeySym that types `text`: one character (UTF-8), or else a KeySym
// name such as "Return" or "F5"; 0 for anything else.
uint32_t KeysymForText(const std::string& text);

}  // namespace gnome
}  // namespace quorvel

#endif  // QUORVEL_BACKEND_GNOME_TYPING_H_
