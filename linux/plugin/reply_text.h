#ifndef QUORVEL_PLUGIN_REPLY_TEXT_H_
#define QUORVEL_PLUGIN_REPLY_TEXT_H_

#include <cstdint>

#include "backend/backend.h"

namespace quorvel {

// The text of a structured reply ("x:y", "id@width:height:x:y:scale"),
// written into a buffer of its own: no allocation, no locale, so a call's
// reply costs the embedding's string value and little more.
class ReplyText {
 public:
  ReplyText& Point(int32_t x, int32_t y);
  // The scale is written like %g with six significant digits, always with
  // a "." whatever the process locale (a GTK app runs under the user's).
  ReplyText& Screen(const ScreenInfo& screen);

  // Valid while this object lives.
  const char* c_str();

 private:
  // 32-bit values have their own: their digits take 32-bit divisions.
  ReplyText& Add(int32_t value);
  ReplyText& Add(int64_t value);
  ReplyText& Put(char c);
  ReplyText& Put(const char* text);

  // Five 64-bit numbers, their separators and a formatted double fit.
  char buffer_[160];
  char* end_ = buffer_;
};

}  // namespace quorvel

#endif  // QUORVEL_PLUGIN_REPLY_TEXT_H_
