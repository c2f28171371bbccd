#ifndef QUORVEL_TESTS_KEYS_KEY_RECORDING_H_
#define QUORVEL_TESTS_KEYS_KEY_RECORDING_H_

#include <ostream>
#include <vector>

#include "support/record_observer.h"

namespace quorvel {
namespace testing {

// One key transition as the server generated it.
struct KeyEvent {
  bool press = false;
  unsigned keycode = 0;
  unsigned long server_time = 0;  // milliseconds
};

// A key transition without its time, for comparing sequences.
struct KeyStroke {
  bool press = false;
  unsigned keycode = 0;

  bool operator==(const KeyStroke& other) const {
    return press == other.press && keycode == other.keycode;
  }
};

inline KeyStroke Down(unsigned keycode) {
  return {true, keycode};
}
inline KeyStroke Up(unsigned keycode) {
  return {false, keycode};
}

// The key events among `entries`, in the order the server generated them.
std::vector<KeyEvent> KeyEvents(const std::vector<XRecordEntry>& entries);
std::vector<KeyStroke> Strokes(const std::vector<KeyEvent>& events);
std::vector<KeyStroke> Strokes(const std::vector<XRecordEntry>& entries);
// The key transitions clients asked for with XTestFakeInput, in the order the
// server received them. Unlike KeyEvents() this includes presses of keys
// already down and releases of keys already up, which the server drops. A
// delayed request counts once, where the server carried it out.
std::vector<KeyStroke> SentStrokes(const std::vector<XRecordEntry>& entries);

void PrintTo(const KeyStroke& stroke, std::ostream* out);

}  // namespace testing
}  // namespace quorvel

#endif  // QUORVEL_TESTS_KEYS_KEY_RECORDING_H_
