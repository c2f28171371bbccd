#ifndef QUORVEL_TESTS_PLUGIN_RECORDING_BACKEND_H_
#define QUORVEL_TESTS_PLUGIN_RECORDING_BACKEND_H_

#include <string>
#include <vector>

#include "backend/backend.h"

namespace quorvel {
namespace testing {

// A backend that records each operation as text ("MoveMouse(10,-3)") and
// answers with programmable values. The test binary's CreateBackend returns
// one, so the plugin under test gets it exactly where it would get the X11
// backend.
class RecordingBackend : public Backend {
 public:
  RecordingBackend();
  ~RecordingBackend() override;

  // The backend most recently created by CreateBackend (not owned), and how
  // many have been destroyed so far.
  static RecordingBackend* last();
  static int destroyed_count();

  // Forgets the calls and restores the default answers.
  void Reset();

  std::vector<std::string> calls;

  // Answers.
  bool mouse_coords_ok = true;
  int32_t mouse_x = 0;
  int32_t mouse_y = 0;
  bool screen_size_ok = true;
  int32_t screen_width = 0;
  int32_t screen_height = 0;
  std::vector<ScreenInfo> screens;
  bool type_text_result = false;
  bool dark_theme = false;
  std::string username;
  std::string platform_version;

  void MoveMouse(int32_t x, int32_t y) override;
  void DragMouse(int32_t x, int32_t y) override;
  void WheelMouse(int32_t x, int32_t y, int32_t delta) override;
  void MouseClick(int32_t x,
                  int32_t y,
                  std::string_view type,
                  std::string_view button) override;
  void DoubleClick(int32_t x, int32_t y) override;
  bool GetMouseCoords(int32_t* x, int32_t* y) override;
  void KeyDown(uint32_t key) override;
  void KeyUp(uint32_t key) override;
  void KeyPress(uint32_t key) override;
  void KeyPressWithModifiers(uint32_t key,
                             const std::vector<uint32_t>& modifiers) override;
  bool TypeText(const std::string& text) override;
  bool GetScreenSize(int32_t* width, int32_t* height) override;
  std::vector<ScreenInfo> GetScreenList() override;
  bool LockScreen() override;
  bool IsDarkTheme() override;
  std::string GetUsername() override;
  std::string GetPlatformVersion() override;
  bool OpenDirectory(const std::string& path) override;
  void HideCursor() override;
  void ShowCursor() override;
};

}  // namespace testing
}  // namespace quorvel

#endif  // QUORVEL_TESTS_PLUGIN_RECORDING_BACKEND_H_
