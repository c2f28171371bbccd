#include <X11/Xlib.h>
// X.h names the key-press event type KeyPress; undefined here so that the
// Backend operation of the same name keeps its name in this file.
#undef KeyPress

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "backend/backend.h"
#include "backend/x11/cursor.h"
#include "backend/x11/desktop.h"
#include "backend/x11/keys.h"
#include "backend/x11/pointer.h"
#include "backend/x11/screens.h"
#include "backend/x11/session_lock.h"
#include "backend/x11/typing.h"

namespace quorvel {
namespace {

// Holds the process's connection to the X server and the state the pointer,
// key, screen and cursor operations share. Every operation that talks to the
// server first tests `display_`: without a connection it sends nothing and
// gives its empty answer.
class X11Backend : public Backend {
 public:
  X11Backend() {
    display_ = XOpenDisplay(nullptr);
    const char* display_name = getenv("DISPLAY");
    const char* xauthority = getenv("XAUTHORITY");
    fprintf(stderr,
            "[X11Backend] XOpenDisplay(NULL): display=%p, DISPLAY=%s, "
            "XAUTHORITY=%s\n",
            static_cast<void*>(display_),
            display_name ? display_name : "(null)",
            xauthority ? xauthority : "(null)");
    if (display_) {
      root_ = DefaultRootWindow(display_);
      // Start from the server's default cursor, whatever an earlier client
      // (or an earlier run of this plugin) left on the root window.
      XUndefineCursor(display_, root_);
      XFlush(display_);
    }
  }

  // Keys or buttons still held stay held, and a hidden pointer is not shown
  // again here: closing the connection ends the XFixes hide by itself.
  ~X11Backend() override {
    if (!display_) {
      return;
    }
    if (blank_cursor_) {
      XFreeCursor(display_, blank_cursor_);
      blank_cursor_ = 0;
    }
    XCloseDisplay(display_);
    display_ = nullptr;
  }

  X11Backend(const X11Backend&) = delete;
  X11Backend& operator=(const X11Backend&) = delete;

  void MoveMouse(int32_t x, int32_t y) override {
    if (display_) {
      x11::MoveMouse(display_, root_, x, y);
    }
  }

  // Goes through the interface so that an override of MoveMouse applies.
  void DragMouse(int32_t x, int32_t y) override { MoveMouse(x, y); }

  void WheelMouse(int32_t /*x*/, int32_t /*y*/, int32_t delta) override {
    if (display_) {
      x11::WheelMouse(display_, delta);
    }
  }

  void MouseClick(int32_t x,
                  int32_t y,
                  const std::string& type,
                  const std::string& button) override {
    if (display_) {
      x11::MouseClick(display_, x, y, type, button);
    }
  }

  void DoubleClick(int32_t x, int32_t y) override {
    if (display_) {
      x11::DoubleClick(display_, x, y);
    }
  }

  bool GetMouseCoords(int32_t* x, int32_t* y) override {
    return display_ && x11::GetMouseCoords(display_, root_, x, y);
  }

  void KeyDown(uint32_t key) override {
    x11::SendKeyTransition(display_, key, true);
  }

  void KeyUp(uint32_t key) override {
    x11::SendKeyTransition(display_, key, false);
  }

  // Holds even without a display, so callers see the same pacing either way.
  void KeyPress(uint32_t key) override {
    x11::SendKeyTransition(display_, key, true);
    x11::HoldKey();
    x11::SendKeyTransition(display_, key, false);
  }

  void KeyPressWithModifiers(uint32_t key,
                             const std::vector<uint32_t>& modifiers) override {
    for (uint32_t modifier : modifiers) {
      x11::SendKeyTransition(display_, modifier, true);
    }
    KeyPress(key);
    for (uint32_t modifier : modifiers) {
      x11::SendKeyTransition(display_, modifier, false);
    }
  }

  bool TypeText(const std::string& text) override {
    return x11::TypeText(display_, text);
  }

  bool GetScreenSize(int32_t* width, int32_t* height) override {
    return display_ && x11::GetScreenSize(display_, width, height);
  }

  std::vector<ScreenInfo> GetScreenList() override {
    if (!display_) {
      return {};
    }
    return x11::GetScreenList(display_, root_);
  }

  bool LockScreen() override { return x11::LockSession(); }
  bool IsDarkTheme() override { return x11::IsDarkTheme(); }
  std::string GetUsername() override { return x11::GetUsername(); }
  std::string GetPlatformVersion() override {
    return x11::GetPlatformVersion();
  }
  bool OpenDirectory(const std::string& path) override {
    return x11::OpenDirectory(path);
  }

  void HideCursor() override {
    if (display_) {
      x11::HideCursor(display_, root_, &cursor_hidden_, &blank_cursor_);
    }
  }

  void ShowCursor() override {
    if (display_) {
      x11::ShowCursor(display_, root_, &cursor_hidden_);
    }
  }

 private:
  Display* display_ = nullptr;
  Window root_ = 0;
  bool cursor_hidden_ = false;
  Cursor blank_cursor_ = 0;
};

}  // namespace

std::unique_ptr<Backend> CreateBackend() {
  return std::make_unique<X11Backend>();
}

}  // namespace quorvel
