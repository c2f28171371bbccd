#include "driver/call_parser.h"

#include <cerrno>
#include <cstdlib>
#include <regex>

namespace quorvel {
namespace driver {
namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool IsQuote(char c) {
  return c == '"' || c == '\'';
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

std::string Quoted(const std::string& text) {
  return "'" + text + "'";
}

// Index just past the closing quote of the quoted text that starts at
// `start`, or npos when the quote is never closed.
size_t SkipQuoted(const std::string& text, size_t start) {
  const char quote = text[start];
  for (size_t i = start + 1; i < text.size(); ++i) {
    if (quote == '"' && text[i] == '\\') {
      ++i;
    } else if (text[i] == quote) {
      return i + 1;
    }
  }
  return std::string::npos;
}

// Splits a line into raw tokens (quotes kept) at blanks outside quotes,
// up to a token that starts with '#'.
bool SplitTokens(const std::string& line,
                 std::vector<std::string>* tokens,
                 std::string* error) {
  size_t i = 0;
  while (true) {
    while (i < line.size() && IsBlank(line[i])) {
      ++i;
    }
    if (i == line.size() || line[i] == '#') {
      return true;
    }
    const size_t start = i;
    while (i < line.size() && !IsBlank(line[i])) {
      if (IsQuote(line[i])) {
        i = SkipQuoted(line, i);
        if (i == std::string::npos) {
          *error = "unbalanced quote in " + Quoted(line.substr(start));
          return false;
        }
      } else {
        ++i;
      }
    }
    tokens->push_back(line.substr(start, i - start));
  }
}

// Decodes a token that is exactly one quoted string.
bool DecodeQuoted(const std::string& raw,
                  const std::string& context,
                  std::string* text,
                  std::string* error) {
  const size_t end = SkipQuoted(raw, 0);
  if (end == std::string::npos) {
    *error = "unbalanced quote in " + Quoted(context);
    return false;
  }
  if (end != raw.size()) {
    *error = "text after the closing quote in " + Quoted(context);
    return false;
  }
  text->clear();
  for (size_t i = 1; i + 1 < end; ++i) {
    if (raw[0] == '\'' || raw[i] != '\\') {
      *text += raw[i];
      continue;
    }
    switch (raw[++i]) {
      case '"':
        *text += '"';
        break;
      case '\\':
        *text += '\\';
        break;
      case 'n':
        *text += '\n';
        break;
      case 't':
        *text += '\t';
        break;
      default:
        *error = std::string("unknown escape \\") + raw[i] + " in " +
                 Quoted(context) + " (known: \\\" \\\\ \\n \\t)";
        return false;
    }
  }
  return true;
}

bool StartsLikeNumber(const std::string& text) {
  size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    ++i;
  }
  if (i < text.size() && text[i] == '.') {
    ++i;
  }
  return i < text.size() && IsDigit(text[i]);
}

bool ParseNumber(const std::string& text,
                 const std::string& context,
                 FlValuePtr* value,
                 std::string* error) {
  static const std::regex kDecimal("[+-]?[0-9]+");
  static const std::regex kHex("[+-]?0[xX][0-9a-fA-F]+");
  static const std::regex kFloat(
      "[+-]?([0-9]+\\.?[0-9]*|\\.[0-9]+)([eE][+-]?[0-9]+)?");
  errno = 0;
  const bool decimal = std::regex_match(text, kDecimal);
  if (decimal || std::regex_match(text, kHex)) {
    // Base 10 on purpose: a leading zero does not make 010 octal.
    const long long number = strtoll(text.c_str(), nullptr, decimal ? 10 : 16);
    if (errno == ERANGE) {
      *error = "integer out of the 64-bit range in " + Quoted(context);
      return false;
    }
    value->reset(fl_value_new_int(number));
    return true;
  }
  if (std::regex_match(text, kFloat)) {
    const double number = g_ascii_strtod(text.c_str(), nullptr);
    if (errno == ERANGE && number != 0.0) {
      *error = "float out of range in " + Quoted(context);
      return false;
    }
    value->reset(fl_value_new_float(number));
    return true;
  }
  *error = "bad number in " + Quoted(context) +
           " (quote the value to send it as a string)";
  return false;
}

bool ParseValue(const std::string& raw,
                const std::string& context,
                FlValuePtr* value,
                std::string* error) {
  if (raw.empty()) {
    *error = "missing value in " + Quoted(context) +
             " (write \"\" for an empty string)";
    return false;
  }
  if (IsQuote(raw[0])) {
    std::string text;
    if (!DecodeQuoted(raw, context, &text, error)) {
      return false;
    }
    value->reset(fl_value_new_string(text.c_str()));
    return true;
  }
  if (raw.find_first_of("\"'") != std::string::npos) {
    *error = "quote inside an unquoted value in " + Quoted(context);
    return false;
  }
  if (raw == "true" || raw == "false") {
    value->reset(fl_value_new_bool(raw == "true"));
    return true;
  }
  if (raw == "null") {
    value->reset(fl_value_new_null());
    return true;
  }
  if (StartsLikeNumber(raw)) {
    return ParseNumber(raw, context, value, error);
  }
  value->reset(fl_value_new_string(raw.c_str()));
  return true;
}

bool ParseArgument(const std::string& word, FlValue* args, std::string* error) {
  const size_t equals = word.find('=');
  if (equals == std::string::npos) {
    *error = Quoted(word) + " is not key=value";
    return false;
  }
  const std::string key = word.substr(0, equals);
  if (key.empty()) {
    *error = "missing key in " + Quoted(word);
    return false;
  }
  if (key.find_first_of("\"'") != std::string::npos) {
    *error = "quote in the key of " + Quoted(word);
    return false;
  }
  if (fl_value_lookup_string(args, key.c_str()) != nullptr) {
    *error = "duplicate key " + Quoted(key);
    return false;
  }
  FlValuePtr value;
  if (!ParseValue(word.substr(equals + 1), word, &value, error)) {
    return false;
  }
  fl_value_set_string_take(args, key.c_str(), value.release());
  return true;
}

bool ParseMethod(const std::string& word,
                 std::string* method,
                 std::string* error) {
  if (!word.empty() && IsQuote(word[0])) {
    return DecodeQuoted(word, word, method, error);
  }
  if (word.find('=') != std::string::npos) {
    *error = "the method name comes first, not " + Quoted(word);
    return false;
  }
  if (word.find_first_of("\"'") != std::string::npos) {
    *error = "quote inside the method name " + Quoted(word);
    return false;
  }
  *method = word;
  return true;
}

}  // namespace

bool ParseCallWords(const std::vector<std::string>& words,
                    Call* call,
                    std::string* error) {
  call->method.clear();
  call->args.reset();
  if (words.empty()) {
    return true;
  }
  std::string method;
  if (!ParseMethod(words[0], &method, error)) {
    return false;
  }
  if (method.empty()) {
    *error = "empty method name";
    return false;
  }
  FlValuePtr args;
  if (words.size() > 1) {
    args.reset(fl_value_new_map());
    for (size_t i = 1; i < words.size(); ++i) {
      if (!ParseArgument(words[i], args.get(), error)) {
        return false;
      }
    }
  }
  call->method = method;
  call->args = std::move(args);
  return true;
}

bool ParseCallLine(const std::string& line, Call* call, std::string* error) {
  std::vector<std::string> tokens;
  if (!SplitTokens(line, &tokens, error)) {
    call->method.clear();
    call->args.reset();
    return false;
  }
  return ParseCallWords(tokens, call, error);
}

}  // namespace driver
}  // namespace quorvel
