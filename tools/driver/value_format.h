#ifndef QUORVEL_TOOLS_DRIVER_VALUE_FORMAT_H_
#define QUORVEL_TOOLS_DRIVER_VALUE_FORMAT_H_

#include <flutter_linux/flutter_linux.h>

#include <string>

namespace quorvel {
namespace driver {

// A value as one line of text: strings in double quotes with escapes,
// floats always with a '.' or an exponent so they differ from integers,
// lists as [a, b], maps as {key: value}.
std::string FormatValue(FlValue* value);

// The call as the driver echoes it: the method, then the arguments map.
std::string FormatCall(const std::string& method, FlValue* args);

// Decodes reply bytes of the standard method codec into "success <value>",
// "error CODE: message", "not implemented", or a line saying why there is
// no usable reply. `reply` may be null (the handler did not respond).
// Returns true only for a success reply.
bool FormatReply(GBytes* reply, std::string* text);

// The bytes as lower-case hex pairs separated by blanks.
std::string HexBytes(GBytes* bytes);

}  // namespace driver
}  // namespace quorvel

#endif  // QUORVEL_TOOLS_DRIVER_VALUE_FORMAT_H_
