#ifndef QUORVEL_TESTS_SUPPORT_PROBE_WINDOW_LINES_H_
#define QUORVEL_TESTS_SUPPORT_PROBE_WINDOW_LINES_H_

#include <cstddef>
#include <string>
#include <vector>

namespace quorvel {
namespace testing {

// What the probe window (tests/gnome/probe_window.c) printed, read back.
using Lines = std::vector<std::string>;

// The shortest key hold the compositor must show, as on X11.
constexpr unsigned kMinHoldMs = 15;

struct Rect {
  int x = 0, y = 0, width = 0, height = 0;
};

struct KeyEvent {
  bool press;
  std::string name;
  std::string text;  // the character the window read, or empty
  unsigned time;     // the compositor's, in milliseconds
  std::string mods;  // S(hift), C(ontrol), A(lt), W(in) in effect
  unsigned code;     // the XKB keycode
};

size_t Count(const Lines& lines, const std::string& line);

// The monitor each of the two probe windows is fullscreen on, by index.
std::vector<Rect> WindowMonitors(const Lines& lines);

// The index of the window on the monitor at the desktop's origin, as text.
std::string OriginWindow(const Lines& lines);

// True for the name of a modifier key (Shift_L, ISO_Level3_Shift, ...).
bool IsModifier(const std::string& name);

// Every key event the windows received, in order.
std::vector<KeyEvent> AllKeys(const Lines& lines);

// The key events the windows received, with the modifiers left out (the
// compositor or the backend adds Shift or AltGr where a character needs
// them) or, with `modifiers`, only the modifiers.
std::vector<KeyEvent> Keys(const Lines& lines, bool modifiers = false);

// The names of the keys pressed, modifiers left out, in order.
std::vector<std::string> PressedNames(const Lines& lines);

// The characters of the presses, in order.
std::string TypedText(const Lines& lines);

}  // namespace testing
}  // namespace quorvel

#endif  // QUORVEL_TESTS_SUPPORT_PROBE_WINDOW_LINES_H_
