#ifndef QUORVEL_PLUGIN_CALL_ARGS_H_
#define QUORVEL_PLUGIN_CALL_ARGS_H_

#include <flutter_linux/flutter_linux.h>

#include <cstdint>
#include <string_view>

namespace quorvel {

// The arguments of one channel call. For each name a method reads, the
// value under the first string key of that name in the call's map, as
// fl_value_lookup_string would find it, but found in one pass over the map
// and without the temporary key value each lookup makes. Missing or
// mistyped arguments read as 0 or the empty string.
class CallArgs {
 public:
  enum Name { kX, kY, kDelta, kType, kButton, kKey, kChar, kPath, kNameCount };

  // A call without arguments arrives as a null value, and anything but a map
  // carries no names. `args` must outlive this object.
  explicit CallArgs(FlValue* args);

  // Integers keep their low 32 bits; floats are truncated toward zero, and
  // NaN or anything outside the 32-bit range becomes INT32_MIN.
  int32_t Int(Name name) const;
  // The text of a string value, up to its first NUL; it lives as long as
  // the call's arguments.
  std::string_view String(Name name) const;

 private:
  FlValue* values_[kNameCount] = {};
};

}  // namespace quorvel

#endif  // QUORVEL_PLUGIN_CALL_ARGS_H_
