#ifndef QUORVEL_TESTS_KEYS_ITALIAN_CHARACTERS_H_
#define QUORVEL_TESTS_KEYS_ITALIAN_CHARACTERS_H_

namespace quorvel {
namespace testing {

// The characters typed through the Italian-layout table, as the exact UTF-8
// bytes the application sends.
inline constexpr const char* kItalianCharacters[] = {
    "!",
    "\"",
    "\xc2\xa3",  // £
    "$",
    "%",
    "&",
    "/",
    "(",
    ")",
    "=",
    "'",
    "?",
    "`",
    "\xc3\xac",  // ì
    "^",
    "~",
    "\xc3\xa8",  // è
    "\xc3\xa9",  // é
    "[",
    "{",
    "+",
    "*",
    "]",
    "}",
    "\xc3\xb2",  // ò
    "\xc3\xa7",  // ç
    "@",
    "\xc3\xa0",  // à
    "\xc2\xb0",  // °
    "#",
    "\xc3\xb9",      // ù
    "\xc2\xa7",      // §
    "\xe2\x82\xac",  // €
    "\\",
    "|",
    "<",
    ">",
    ",",
    ";",
    ".",
    ":",
    "-",
    "_",
};

}  // namespace testing
}  // namespace quorvel

#endif  // QUORVEL_TESTS_KEYS_ITALIAN_CHARACTERS_H_
