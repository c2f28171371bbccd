#ifndef QUORVEL_BACKEND_BACKEND_H_
#define QUORVEL_BACKEND_BACKEND_H_

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel {

// One connected, lit monitor, in pixels of the whole desktop.
struct ScreenInfo {
  uint32_t id = 0;
  int32_t width = 0;
  int32_t height = 0;
  int32_t x = 0;
  int32_t y = 0;
  double scale = 1.0;
};

// The platform behind the method channel. Operations never throw; they report
// failure by returning false or an empty value, or by leaving out-parameters
// untouched.
class Backend {
 public:
  virtual ~Backend() = default;

  // Pointer. Coordinates are absolute pixels of the root window.
  virtual void MoveMouse(int32_t x, int32_t y) = 0;
  virtual void DragMouse(int32_t x, int32_t y) = 0;
  virtual void WheelMouse(int32_t x, int32_t y, int32_t delta) = 0;
  // One button transition: press when `type` is "Down", release otherwise.
  // The names are the call's own and live only as long as the call.
  virtual void MouseClick(int32_t x,
                          int32_t y,
                          std::string_view type,
                          std::string_view button) = 0;
  virtual void DoubleClick(int32_t x, int32_t y) = 0;
  // Writes the pointer position and returns true, or leaves both untouched.
  virtual bool GetMouseCoords(int32_t* x, int32_t* y) = 0;

  // Keys, named by macOS virtual key codes.
  virtual void KeyDown(uint32_t key) = 0;
  virtual void KeyUp(uint32_t key) = 0;
  // Press, hold for the key-hold delay, release.
  virtual void KeyPress(uint32_t key) = 0;
  // Modifiers pressed first to last, the key pressed, modifiers released first
  // to last.
  virtual void KeyPressWithModifiers(
      uint32_t key,
      const std::vector<uint32_t>& modifiers) = 0;
  // Types one character or one key given by its KeySym name (UTF-8).
  virtual bool TypeText(const std::string& text) = 0;

  // Screens.
  virtual bool GetScreenSize(int32_t* width, int32_t* height) = 0;
  virtual std::vector<ScreenInfo> GetScreenList() = 0;

  // Session and desktop.
  virtual bool LockScreen() = 0;
  virtual bool IsDarkTheme() = 0;
  virtual std::string GetUsername() = 0;
  virtual std::string GetPlatformVersion() = 0;
  virtual bool OpenDirectory(const std::string& path) = 0;

  // Cursor.
  virtual void HideCursor() = 0;
  virtual void ShowCursor() = 0;
};

// Creates the backend for this desktop: the GNOME one on a GNOME Wayland
// session whose compositor offers remote desktop, else the X11 one (with or
// without a display).
std::unique_ptr<Backend> CreateBackend();

}  // namespace quorvel

#endif  // QUORVEL_BACKEND_BACKEND_H_
