#include "plugin/reply_text.h"

#include <glib.h>

#include <charconv>
#include <cmath>

namespace quorvel {

ReplyText& ReplyText::Point(int32_t x, int32_t y) {
  return Add(x).Put(':').Add(y);
}

ReplyText& ReplyText::Screen(const ScreenInfo& screen) {
  Add(static_cast<int64_t>(screen.id)).Put('@').Add(screen.width);
  Put(':').Add(screen.height).Put(':').Add(screen.x).Put(':').Add(screen.y);
  Put(':');
  // %g writes a whole number below 10^6 as its digits: the usual scales
  // (1, 2, 3) skip the formatter.
  const double scale = screen.scale;
  if (scale == std::trunc(scale) && std::fabs(scale) < 1e6 &&
      !(scale == 0 && std::signbit(scale))) {
    return Add(static_cast<int64_t>(scale));
  }
  char formatted[G_ASCII_DTOSTR_BUF_SIZE];
  g_ascii_formatd(formatted, sizeof(formatted), "%g", scale);
  return Put(formatted);
}

const char* ReplyText::c_str() {
  // Room for the NUL is kept by every Add.
  *end_ = '\0';
  return buffer_;
}

namespace {

// Writes `value` at `*end`, leaving room for the NUL before `last`.
template <typename Integer>
void Write(Integer value, char* last, char** end) {
  const std::to_chars_result written = std::to_chars(*end, last, value);
  if (written.ec == std::errc()) {
    *end = written.ptr;
  }
}

}  // namespace

ReplyText& ReplyText::Add(int32_t value) {
  Write(value, buffer_ + sizeof(buffer_) - 1, &end_);
  return *this;
}

ReplyText& ReplyText::Add(int64_t value) {
  Write(value, buffer_ + sizeof(buffer_) - 1, &end_);
  return *this;
}

ReplyText& ReplyText::Put(char c) {
  if (end_ < buffer_ + sizeof(buffer_) - 1) {
    *end_++ = c;
  }
  return *this;
}

ReplyText& ReplyText::Put(const char* text) {
  while (*text && end_ < buffer_ + sizeof(buffer_) - 1) {
    *end_++ = *text++;
  }
  return *this;
}

}  // namespace quorvel
