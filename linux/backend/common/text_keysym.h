#ifndef QUORVEL_BACKEND_COMMON_TEXT_KEYSYM_H_
#define QUORVEL_BACKEND_COMMON_TEXT_KEYSYM_H_

#include <cstdint>
#include <string>

namespace quorvel {
namespace common {

// The KeySym that types `text`: one character (UTF-8), or else a KeySym
// name such as "Return" or "F5"; 0 for anything else.
uint32_t KeysymForText(const std::string& text);

// True when `text` is exactly one character in UTF-8 (its shortest form,
// neither NUL nor a UTF-16 surrogate, at most U+10FFFF); writes it to
// `code_point`. Decoded here rather than by glib: typing calls it once per
// key, and a call into glib's UTF-8 code finds it cold there.
bool Utf8Character(const std::string& text, char32_t* code_point);

// True when `text` is one character (UTF-8) other than a control character,
// which KeysymForText types as a character rather than as a key name;
// writes it to `code_point`.
bool TextCharacter(const std::string& text, char32_t* code_point);

}  // namespace common
}  // namespace quorvel

#endif  // QUORVEL_BACKEND_COMMON_TEXT_KEYSYM_H_
