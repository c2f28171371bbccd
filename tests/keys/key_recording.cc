#include "keys/key_recording.h"

namespace quorvel {
namespace testing {

std::vector<KeyEvent> KeyEvents(const std::vector<XRecordEntry>& entries) {
  std::vector<KeyEvent> events;
  for (const XRecordEntry& entry : entries) {
    if (entry.kind != XRecordEntry::Kind::kEvent) {
      continue;
    }
    if (entry.name == "KeyPress" || entry.name == "KeyRelease") {
      events.push_back(
          {entry.name == "KeyPress", entry.detail, entry.server_time});
    }
  }
  return events;
}

std::vector<KeyStroke> Strokes(const std::vector<KeyEvent>& events) {
  std::vector<KeyStroke> strokes;
  strokes.reserve(events.size());
  for (const KeyEvent& event : events) {
    strokes.push_back({event.press, event.keycode});
  }
  return strokes;
}

std::vector<KeyStroke> Strokes(const std::vector<XRecordEntry>& entries) {
  return Strokes(KeyEvents(entries));
}

std::vector<KeyStroke> SentStrokes(const std::vector<XRecordEntry>& entries) {
  std::vector<KeyStroke> strokes;
  for (const XRecordEntry& entry : Named(Requests(entries), "XTestFakeInput")) {
    // The server runs a delayed request again, without its delay, once the
    // delay is over: that second run is the one that acts.
    if (entry.delay != 0) {
      continue;
    }
    if (entry.fake_type == "KeyPress" || entry.fake_type == "KeyRelease") {
      strokes.push_back({entry.fake_type == "KeyPress", entry.detail});
    }
  }
  return strokes;
}

void PrintTo(const KeyStroke& stroke, std::ostream* out) {
  *out << (stroke.press ? "down " : "up ") << stroke.keycode;
}

}  // namespace testing
}  // namespace quorvel
