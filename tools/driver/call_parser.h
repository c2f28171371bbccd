#ifndef QUORVEL_TOOLS_DRIVER_CALL_PARSER_H_
#define QUORVEL_TOOLS_DRIVER_CALL_PARSER_H_

#include <flutter_linux/flutter_linux.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/support/value_ptr.h"

namespace quorvel {
namespace driver {

// One method call as the driver sends it.
struct Call {
  std::string method;  // empty for a blank or comment line
  FlValuePtr args;     // a map; null when the call has no arguments
};

// Parses one script line: a method name, then key=value arguments separated
// by blanks. A token that starts with '#' begins a comment. Values:
//   42  -7  0x24  9223372036854775807   integers (int64)
//   10.5  -.5  1e3  2.                  floats
//   true  false  null
//   "a b"  (escapes \" \\ \n \t)  'a b' (no escapes)   strings
//   è  abc  -  .                        anything else bare is a string
// A bare value that starts like a number (a digit, or a sign or '.' followed
// by a digit) must be a whole number: 12abc is an error, "12abc" a string.
// Returns false with a message in `error` for a malformed line.
bool ParseCallLine(const std::string& line, Call* call, std::string* error);

// The same for words the shell has already split and unquoted: the method,
// then one key=value per word, each value read as above (so a word may
// contain blanks, and quotes that survived the shell still mark strings).
bool ParseCallWords(const std::vector<std::string>& words,
                    Call* call,
                    std::string* error);

}  // namespace driver
}  // namespace quorvel

#endif  // QUORVEL_TOOLS_DRIVER_CALL_PARSER_H_
