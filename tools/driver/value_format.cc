#include "driver/value_format.h"

#include <cstdio>

namespace quorvel {
namespace driver {
namespace {

std::string QuoteString(const char* text) {
  std::string out = "\"";
  for (const char* p = text; *p != '\0'; ++p) {
    const unsigned char c = static_cast<unsigned char>(*p);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c < 0x20 || c == 0x7f) {
      char escaped[8];
      snprintf(escaped, sizeof(escaped), "\\x%02x", c);
      out += escaped;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

std::string FormatDouble(double number) {
  char buffer[G_ASCII_DTOSTR_BUF_SIZE];
  std::string text = g_ascii_dtostr(buffer, sizeof(buffer), number);
  if (text.find_first_of(".eniN") == std::string::npos) {
    text += ".0";
  }
  return text;
}

bool IsBareKey(FlValue* key) {
  if (fl_value_get_type(key) != FL_VALUE_TYPE_STRING) {
    return false;
  }
  const char* text = fl_value_get_string(key);
  if (*text == '\0') {
    return false;
  }
  for (const char* p = text; *p != '\0'; ++p) {
    if (!g_ascii_isalnum(*p) && *p != '_') {
      return false;
    }
  }
  return true;
}

template <typename T, typename F>
std::string FormatArray(const T* items, size_t length, F format) {
  std::string out = "[";
  for (size_t i = 0; i < length; ++i) {
    out += (i > 0 ? ", " : "") + format(items[i]);
  }
  return out + "]";
}

std::string FormatList(FlValue* list) {
  std::string out = "[";
  for (size_t i = 0; i < fl_value_get_length(list); ++i) {
    out += (i > 0 ? ", " : "") + FormatValue(fl_value_get_list_value(list, i));
  }
  return out + "]";
}

std::string FormatMap(FlValue* map) {
  std::string out = "{";
  for (size_t i = 0; i < fl_value_get_length(map); ++i) {
    FlValue* key = fl_value_get_map_key(map, i);
    out += i > 0 ? ", " : "";
    out += IsBareKey(key) ? fl_value_get_string(key) : FormatValue(key);
    out += ": " + FormatValue(fl_value_get_map_value(map, i));
  }
  return out + "}";
}

}  // namespace

std::string FormatValue(FlValue* value) {
  if (value == nullptr) {
    return "null";
  }
  auto integer = [](int64_t n) { return std::to_string(n); };
  switch (fl_value_get_type(value)) {
    case FL_VALUE_TYPE_NULL:
      return "null";
    case FL_VALUE_TYPE_BOOL:
      return fl_value_get_bool(value) ? "true" : "false";
    case FL_VALUE_TYPE_INT:
      return std::to_string(fl_value_get_int(value));
    case FL_VALUE_TYPE_FLOAT:
      return FormatDouble(fl_value_get_float(value));
    case FL_VALUE_TYPE_STRING:
      return QuoteString(fl_value_get_string(value));
    case FL_VALUE_TYPE_UINT8_LIST:
      return FormatArray(fl_value_get_uint8_list(value),
                         fl_value_get_length(value), integer);
    case FL_VALUE_TYPE_INT32_LIST:
      return FormatArray(fl_value_get_int32_list(value),
                         fl_value_get_length(value), integer);
    case FL_VALUE_TYPE_INT64_LIST:
      return FormatArray(fl_value_get_int64_list(value),
                         fl_value_get_length(value), integer);
    case FL_VALUE_TYPE_FLOAT_LIST:
      return FormatArray(fl_value_get_float_list(value),
                         fl_value_get_length(value), FormatDouble);
    case FL_VALUE_TYPE_FLOAT32_LIST:
      return FormatArray(fl_value_get_float32_list(value),
                         fl_value_get_length(value), FormatDouble);
    case FL_VALUE_TYPE_LIST:
      return FormatList(value);
    case FL_VALUE_TYPE_MAP:
      return FormatMap(value);
  }
  return "(unknown value type)";
}

std::string FormatCall(const std::string& method, FlValue* args) {
  if (args == nullptr) {
    return method;
  }
  return method + " " + FormatValue(args);
}

bool FormatReply(GBytes* reply, std::string* text) {
  if (reply == nullptr) {
    *text = "no reply (the handler returned without responding)";
    return false;
  }
  // The embedding's codec wrapper, not public, is what turns an empty reply
  // into not-implemented; the codec itself calls it an error.
  if (g_bytes_get_size(reply) == 0) {
    *text = "not implemented";
    return false;
  }
  g_autoptr(FlStandardMethodCodec) codec = fl_standard_method_codec_new();
  g_autoptr(GError) error = nullptr;
  g_autoptr(FlMethodResponse) response =
      FL_METHOD_CODEC_GET_CLASS(codec)->decode_response(FL_METHOD_CODEC(codec),
                                                        reply, &error);
  if (response == nullptr) {
    *text = std::string("undecodable reply: ") + error->message;
    return false;
  }
  if (FL_IS_METHOD_SUCCESS_RESPONSE(response)) {
    *text = "success " + FormatValue(fl_method_success_response_get_result(
                             FL_METHOD_SUCCESS_RESPONSE(response)));
    return true;
  }
  if (FL_IS_METHOD_ERROR_RESPONSE(response)) {
    FlMethodErrorResponse* failure = FL_METHOD_ERROR_RESPONSE(response);
    const char* message = fl_method_error_response_get_message(failure);
    FlValue* details = fl_method_error_response_get_details(failure);
    *text = std::string("error ") + fl_method_error_response_get_code(failure);
    *text += message != nullptr ? std::string(": ") + message : "";
    *text += details != nullptr ? " details: " + FormatValue(details) : "";
    return false;
  }
  *text = "not implemented";
  return false;
}

std::string HexBytes(GBytes* bytes) {
  if (bytes == nullptr) {
    return "";
  }
  gsize size = 0;
  const auto* data = static_cast<const guint8*>(g_bytes_get_data(bytes, &size));
  std::string out;
  for (gsize i = 0; i < size; ++i) {
    char pair[4];
    snprintf(pair, sizeof(pair), "%02x", data[i]);
    out += (i > 0 ? " " : "") + std::string(pair);
  }
  return out;
}

}  // namespace driver
}  // namespace quorvel
