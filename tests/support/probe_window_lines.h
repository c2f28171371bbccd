#ifndef QUORVEL_TESTS_SUPPORT_PROBE_WINDOW_LINES_H_
#define QUORVEL_TESTS_SUPPORT_PROBE_WINDOW_LINES_H_

#include <cstddef>
#include <string>
#include <vector>

namespace quorvel {
namespace testing {

// What the probe window (tests/gnome/probe_window.c) printed, read back.
using Lines = std::vector<std::string>;

struct Rect {
  int x = 0, y = 0, width = 0, height = 0;
};

struct KeyEvent {
  bool press;
  std::string name;
  unsigned time;  // the compositor's, in milliseconds
};

size_t Count(const Lines& lines, const std::string& line);

// The monitor each of the two probe windows is fullscreen on, by index.
std::vector<Rect> WindowMonitors(const Lines& lines);

// The index of the window on the monitor at the desktop's origin, as text.
std::string OriginWindow(const Lines& lines);

// True for the name of a modifier key (Shift_L, ISO_Level3_Shift, ...).
bool IsModifier(const std::string& name);

// The key events the windows received, with the modifiers left out (the
// compositor or the backend adds Shift or AltGr where a character needs
// them) or, with `modifiers`, only the modifiers.
std::vector<KeyEvent> Keys(const Lines& lines, bool modifiers = false);

// The names of the keys pressed, modifiers left out, in order.
std::vector<std::string> PressedNames(const Lines& lines);

}  // namespace testing
}  // namespace quorvel

#endif  // QUORVEL_TESTS_SUPPORT_PROBE_WINDOW_LINES_H_
