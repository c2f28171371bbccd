#include "support/probe_window_lines.h"

#include <algorithm>
#include <cstdio>
#include <regex>

namespace quorvel {
namespace testing {

size_t Count(const Lines& lines, const std::string& line) {
  return static_cast<size_t>(std::count(lines.begin(), lines.end(), line));
}

std::vector<Rect> WindowMonitors(const Lines& lines) {
  std::vector<Rect> monitors(2);
  for (const std::string& line : lines) {
    int index = 0;
    Rect r;
    if (sscanf(line.c_str(), "FULLSCREEN window=%d monitor=%d,%d,%d,%d", &index,
               &r.x, &r.y, &r.width, &r.height) == 5 &&
        index >= 0 && index < 2) {
      monitors[index] = r;
    }
  }
  return monitors;
}

std::string OriginWindow(const Lines& lines) {
  const std::vector<Rect> monitors = WindowMonitors(lines);
  return monitors[1].x == 0 && monitors[1].y == 0 ? "1" : "0";
}

bool IsModifier(const std::string& name) {
  for (const char* part :
       {"Shift", "Control", "Alt", "Super", "Meta", "ISO_"}) {
    if (name.find(part) != std::string::npos) {
      return true;
    }
  }
  return false;
}

std::vector<KeyEvent> AllKeys(const Lines& lines) {
  static const std::regex pattern(
      "KEY (press|release) window=\\d+ name=(\\S+) char='(.*)' time=(\\d+) "
      "mods=(\\w*) code=(\\d+)");
  std::vector<KeyEvent> keys;
  for (const std::string& line : lines) {
    std::smatch match;
    if (std::regex_match(line, match, pattern)) {
      keys.push_back({match[1] == "press", match[2], match[3],
                      static_cast<unsigned>(std::stoul(match[4])), match[5],
                      static_cast<unsigned>(std::stoul(match[6]))});
    }
  }
  return keys;
}

std::vector<KeyEvent> Keys(const Lines& lines, bool modifiers) {
  std::vector<KeyEvent> keys = AllKeys(lines);
  keys.erase(std::remove_if(keys.begin(), keys.end(),
                            [modifiers](const KeyEvent& key) {
                              return IsModifier(key.name) != modifiers;
                            }),
             keys.end());
  return keys;
}

std::vector<std::string> PressedNames(const Lines& lines) {
  std::vector<std::string> names;
  for (const KeyEvent& key : Keys(lines)) {
    if (key.press) {
      names.push_back(key.name);
    }
  }
  return names;
}

std::string TypedText(const Lines& lines) {
  std::string text;
  for (const KeyEvent& key : AllKeys(lines)) {
    if (key.press) {
      text += key.text;
    }
  }
  return text;
}

}  // namespace testing
}  // namespace quorvel
