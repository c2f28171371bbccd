#include "plugin/call_args.h"

#include <cmath>
#include <cstring>

namespace quorvel {
namespace {

// The argument `key` names, by its first letter and then the rest; false
// for a key no method reads.
bool NameOf(const char* key, CallArgs::Name* name) {
  switch (key[0]) {
    case 'x':
      *name = CallArgs::kX;
      return key[1] == '\0';
    case 'y':
      *name = CallArgs::kY;
      return key[1] == '\0';
    case 'd':
      *name = CallArgs::kDelta;
      return strcmp(key, "delta") == 0;
    case 't':
      *name = CallArgs::kType;
      return strcmp(key, "type") == 0;
    case 'b':
      *name = CallArgs::kButton;
      return strcmp(key, "button") == 0;
    case 'k':
      *name = CallArgs::kKey;
      return strcmp(key, "key") == 0;
    case 'c':
      *name = CallArgs::kChar;
      return strcmp(key, "char") == 0;
    case 'p':
      *name = CallArgs::kPath;
      return strcmp(key, "path") == 0;
    default:
      return false;
  }
}

}  // namespace

CallArgs::CallArgs(FlValue* args) {
  if (args == nullptr || fl_value_get_type(args) != FL_VALUE_TYPE_MAP) {
    return;
  }
  const size_t length = fl_value_get_length(args);
  for (size_t i = 0; i < length; i++) {
    FlValue* key = fl_value_get_map_key(args, i);
    Name name;
    if (fl_value_get_type(key) == FL_VALUE_TYPE_STRING &&
        NameOf(fl_value_get_string(key), &name) && !values_[name]) {
      values_[name] = fl_value_get_map_value(args, i);
    }
  }
}

int32_t CallArgs::Int(Name name) const {
  FlValue* value = values_[name];
  if (value == nullptr) {
    return 0;
  }
  switch (fl_value_get_type(value)) {
    case FL_VALUE_TYPE_INT:
      return static_cast<int32_t>(static_cast<uint32_t>(
          static_cast<uint64_t>(fl_value_get_int(value))));
    case FL_VALUE_TYPE_FLOAT: {
      const double truncated = std::trunc(fl_value_get_float(value));
      if (std::isnan(truncated) || truncated < INT32_MIN ||
          truncated > INT32_MAX) {
        return INT32_MIN;
      }
      return static_cast<int32_t>(truncated);
    }
    default:
      return 0;
  }
}

std::string_view CallArgs::String(Name name) const {
  FlValue* value = values_[name];
  if (value == nullptr || fl_value_get_type(value) != FL_VALUE_TYPE_STRING) {
    return std::string_view();
  }
  return std::string_view(fl_value_get_string(value));
}

}  // namespace quorvel
