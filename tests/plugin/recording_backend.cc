#include "plugin/recording_backend.h"

#include <memory>

namespace quorvel {
namespace testing {
namespace {

RecordingBackend* g_last = nullptr;
int g_destroyed = 0;

std::string Join(const std::vector<std::string>& parts) {
  std::string out;
  for (size_t i = 0; i < parts.size(); i++) {
    out += (i ? "," : "") + parts[i];
  }
  return out;
}

template <typename... Args>
std::string Call(const char* name, Args... args) {
  return std::string(name) + "(" + Join({args...}) + ")";
}

std::string S(int64_t value) {
  return std::to_string(value);
}

std::string Quoted(std::string_view text) {
  return "\"" + std::string(text) + "\"";
}

}  // namespace

RecordingBackend::RecordingBackend() {
  g_last = this;
}

RecordingBackend::~RecordingBackend() {
  g_destroyed++;
  if (g_last == this) {
    g_last = nullptr;
  }
}

RecordingBackend* RecordingBackend::last() {
  return g_last;
}

int RecordingBackend::destroyed_count() {
  return g_destroyed;
}

void RecordingBackend::Reset() {
  calls.clear();
  mouse_coords_ok = true;
  mouse_x = mouse_y = 0;
  screen_size_ok = true;
  screen_width = screen_height = 0;
  screens.clear();
  type_text_result = false;
  dark_theme = false;
  username.clear();
  platform_version.clear();
}

void RecordingBackend::MoveMouse(int32_t x, int32_t y) {
  calls.push_back(Call("MoveMouse", S(x), S(y)));
}
void RecordingBackend::DragMouse(int32_t x, int32_t y) {
  calls.push_back(Call("DragMouse", S(x), S(y)));
}
void RecordingBackend::WheelMouse(int32_t x, int32_t y, int32_t delta) {
  calls.push_back(Call("WheelMouse", S(x), S(y), S(delta)));
}
void RecordingBackend::MouseClick(int32_t x,
                                  int32_t y,
                                  std::string_view type,
                                  std::string_view button) {
  calls.push_back(Call("MouseClick", S(x), S(y), Quoted(type), Quoted(button)));
}
void RecordingBackend::DoubleClick(int32_t x, int32_t y) {
  calls.push_back(Call("DoubleClick", S(x), S(y)));
}
bool RecordingBackend::GetMouseCoords(int32_t* x, int32_t* y) {
  calls.push_back(Call("GetMouseCoords"));
  if (mouse_coords_ok) {
    *x = mouse_x;
    *y = mouse_y;
  }
  return mouse_coords_ok;
}
void RecordingBackend::KeyDown(uint32_t key) {
  calls.push_back(Call("KeyDown", S(key)));
}
void RecordingBackend::KeyUp(uint32_t key) {
  calls.push_back(Call("KeyUp", S(key)));
}
void RecordingBackend::KeyPress(uint32_t key) {
  calls.push_back(Call("KeyPress", S(key)));
}
void RecordingBackend::KeyPressWithModifiers(
    uint32_t key,
    const std::vector<uint32_t>& modifiers) {
  std::vector<std::string> mods;
  for (uint32_t m : modifiers) {
    mods.push_back(S(m));
  }
  calls.push_back(
      Call("KeyPressWithModifiers", S(key), "[" + Join(mods) + "]"));
}
bool RecordingBackend::TypeText(const std::string& text) {
  calls.push_back(Call("TypeText", Quoted(text)));
  return type_text_result;
}
bool RecordingBackend::GetScreenSize(int32_t* width, int32_t* height) {
  calls.push_back(Call("GetScreenSize"));
  if (screen_size_ok) {
    *width = screen_width;
    *height = screen_height;
  }
  return screen_size_ok;
}
std::vector<ScreenInfo> RecordingBackend::GetScreenList() {
  calls.push_back(Call("GetScreenList"));
  return screens;
}
bool RecordingBackend::LockScreen() {
  calls.push_back(Call("LockScreen"));
  return false;
}
bool RecordingBackend::IsDarkTheme() {
  calls.push_back(Call("IsDarkTheme"));
  return dark_theme;
}
std::string RecordingBackend::GetUsername() {
  calls.push_back(Call("GetUsername"));
  return username;
}
std::string RecordingBackend::GetPlatformVersion() {
  calls.push_back(Call("GetPlatformVersion"));
  return platform_version;
}
bool RecordingBackend::OpenDirectory(const std::string& path) {
  calls.push_back(Call("OpenDirectory", Quoted(path)));
  return false;
}
void RecordingBackend::HideCursor() {
  calls.push_back(Call("HideCursor"));
}
void RecordingBackend::ShowCursor() {
  calls.push_back(Call("ShowCursor"));
}

}  // namespace testing

// The plugin under test gets its backend here instead of from the X11
// factory.
std::unique_ptr<Backend> CreateBackend() {
  return std::make_unique<testing::RecordingBackend>();
}

}  // namespace quorvel
