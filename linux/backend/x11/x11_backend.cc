#include "backend/x11/xlib.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <set>

#include "backend/backend.h"
#include "backend/common/desktop_backend.h"
#include "backend/common/mac_key_table.h"
#include "backend/common/pointer_buttons.h"
#include "backend/common/session_type.h"
#include "backend/x11/connection.h"
#include "backend/x11/cursor.h"
#include "backend/x11/held_input.h"
#include "backend/x11/keymap.h"
#include "backend/x11/keys.h"
#include "backend/x11/pointer.h"
#include "backend/x11/screens.h"
#include "backend/x11/typing.h"

namespace quorvel {
namespace {

// A server that went away is tried again at most this often, so a desktop
// without X costs the app one failed connect a second at most.
constexpr std::chrono::seconds kReconnectInterval{1};

class X11Backend;

// Backends alive in this process. An app that exits without disposing the
// plugin still gets its held keys and buttons released: the destructor of
// this set runs at exit (or when the library is unloaded).
struct LiveBackends {
  ~LiveBackends();
  std::set<X11Backend*> backends;
};

LiveBackends& Live() {
  static LiveBackends live;
  return live;
}

// Holds the process's connection to the X server and the state the pointer,
// key, screen and cursor operations share. Every operation that talks to the
// server first gets the connection through Connection(): without one it
// sends nothing and gives its empty answer.
class X11Backend : public common::DesktopBackend {
 public:
  X11Backend() {
    Connect(/*report_failure=*/true);
    if (common::IsWaylandSession()) {
      fprintf(stderr,
              "[X11Backend] Wayland session: injected input reaches only "
              "X11 (XWayland) windows\n");
    }
    Live().backends.insert(this);
  }

  ~X11Backend() override {
    Live().backends.erase(this);
    Disconnect();
  }

  X11Backend(const X11Backend&) = delete;
  X11Backend& operator=(const X11Backend&) = delete;

  // A forked child shares the connection's socket with the process that
  // made the backend; only that process may speak on it.
  void DisconnectAtExit() {
    if (getpid() == creator_) {
      Disconnect();
    }
  }

  // Gives back everything held and restores what was changed, then closes.
  void Disconnect() {
    if (!display_) {
      return;
    }
    if (x11::ConnectionLost(display_)) {
      // Nothing reaches a server that has gone; only the records go.
      held_.ReleaseAll(nullptr);
    } else {
      held_.ReleaseAll(display_);
      keymap_.RestoreSpares();
      if (cursor_hidden_) {
        x11::ShowCursor(display_, root_, &cursor_hidden_);
      }
      if (blank_cursor_) {
        XFreeCursor(display_, blank_cursor_);
      }
      // Releases the server is still holding back (the key holds) are
      // carried out before the connection closes, not dropped with it.
      XSync(display_, False);
    }
    keymap_.Detach();
    x11::CloseConnection(display_);
    display_ = nullptr;
    root_ = 0;
    cursor_hidden_ = false;
    blank_cursor_ = 0;
  }

  void MoveMouse(int32_t x, int32_t y) override {
    if (Display* display = SendingConnection()) {
      x11::MoveMouse(display, root_, x, y);
    }
  }

  void DragMouse(int32_t x, int32_t y) override { MoveMouse(x, y); }

  void WheelMouse(int32_t /*x*/, int32_t /*y*/, int32_t delta) override {
    if (Display* display = SendingConnection()) {
      x11::WheelMouse(display, delta);
    }
  }

  void MouseClick(int32_t x,
                  int32_t y,
                  std::string_view type,
                  std::string_view button) override {
    Display* display = SendingConnection();
    if (!display) {
      return;
    }
    const unsigned number = common::ButtonNumber(button);
    const bool press = common::IsPress(type);
    x11::MouseClick(display, x, y, number, press);
    if (press) {
      held_.ButtonDown(number);
    } else {
      held_.ButtonUp(number);
    }
  }

  void DoubleClick(int32_t x, int32_t y) override {
    if (Display* display = SendingConnection()) {
      x11::DoubleClick(display, x, y);
      // Its last transition releases the left button.
      held_.ButtonUp(Button1);
    }
  }

  bool GetMouseCoords(int32_t* x, int32_t* y) override {
    Display* display = SendingConnection();
    return display && x11::GetMouseCoords(display, root_, x, y);
  }

  void KeyDown(uint32_t key) override {
    Display* display = Connection();
    const KeyCode keycode = display ? KeycodeOf(key) : 0;
    if (keycode == 0) {
      return;
    }
    x11::SendKeycode(display, keycode, true);
    held_.KeyDown(key, keycode);
  }

  // Releases the keycode the key went down with, even if the layout has
  // changed since; a key not held is looked up on the current map.
  void KeyUp(uint32_t key) override {
    KeyCode keycode = held_.TakeKey(key);
    Display* display = Connection();
    if (!display) {
      return;
    }
    if (keycode == 0) {
      keycode = KeycodeOf(key);
    }
    if (keycode != 0) {
      x11::SendKeycode(display, keycode, false);
    }
  }

  void KeyPress(uint32_t key) override {
    Display* display = Connection();
    const KeyCode keycode = display ? KeycodeOf(key) : 0;
    if (keycode != 0) {
      x11::TapKeycode(display, keycode, {});
    }
  }

  // Modifiers go down first to last and come up first to last, around a
  // press of the key held as long as any other.
  void KeyPressWithModifiers(uint32_t key,
                             const std::vector<uint32_t>& modifiers) override {
    Display* display = Connection();
    if (!display) {
      return;
    }
    std::vector<KeyCode> modifier_keycodes;
    for (uint32_t modifier : modifiers) {
      const KeyCode keycode = KeycodeOf(modifier);
      if (keycode != 0) {
        modifier_keycodes.push_back(keycode);
      }
    }
    const KeyCode keycode = KeycodeOf(key);
    if (keycode != 0) {
      x11::TapKeycode(display, keycode, modifier_keycodes,
                      x11::ModifierRelease::kAsPressed);
      return;
    }
    // No key for the code: the modifiers still go down and up.
    for (KeyCode modifier : modifier_keycodes) {
      x11::SendKeycode(display, modifier, true);
    }
    for (KeyCode modifier : modifier_keycodes) {
      x11::SendKeycode(display, modifier, false);
    }
  }

  bool TypeText(const std::string& text) override {
    Display* display = Connection();
    return display &&
           x11::TypeText(display, keymap_, held_.HeldKeycodes(), text);
  }

  bool GetScreenSize(int32_t* width, int32_t* height) override {
    Display* display = Connection();
    return display && x11::GetScreenSize(display, width, height);
  }

  std::vector<ScreenInfo> GetScreenList() override {
    Display* display = Connection();
    if (!display) {
      return {};
    }
    return x11::GetScreenList(display, root_);
  }

  void HideCursor() override {
    if (Display* display = Connection()) {
      x11::HideCursor(display, root_, &cursor_hidden_, &blank_cursor_);
    }
  }

  void ShowCursor() override {
    if (Display* display = Connection()) {
      x11::ShowCursor(display, root_, &cursor_hidden_);
    }
  }

 private:
  // Opens the display the environment names and says so on standard error;
  // a failed attempt to come back after a loss is not reported.
  void Connect(bool report_failure) {
    last_attempt_ = std::chrono::steady_clock::now();
    display_ = x11::OpenConnection();
    if (!display_ && !report_failure) {
      return;
    }
    const char* display_name = getenv("DISPLAY");
    const char* xauthority = getenv("XAUTHORITY");
    fprintf(stderr,
            "[X11Backend] XOpenDisplay(NULL): display=%p, DISPLAY=%s, "
            "XAUTHORITY=%s\n",
            static_cast<void*>(display_),
            display_name ? display_name : "(null)",
            xauthority ? xauthority : "(null)");
    if (!display_) {
      return;
    }
    root_ = DefaultRootWindow(display_);
    x11::PrepareXTest(display_);
    keymap_.Attach(display_);
    // Start from the server's default cursor, whatever an earlier client
    // (or an earlier run of this plugin) left on the root window.
    XUndefineCursor(display_, root_);
    XFlush(display_);
  }

  // The connection for this call, or null. Reads what the server sent since
  // the last call first: that keeps the keymap current and is how a lost
  // server is noticed. Without a connection, tries again at most once per
  // kReconnectInterval.
  Display* Connection() {
    if (display_) {
      if (pointer_calls_since_read_) {
        x11::ReadEvents(display_, &X11Backend::OnEvent, this);
        pointer_calls_since_read_ = false;
      } else {
        x11::DrainEvents(display_, &X11Backend::OnEvent, this);
      }
      if (!x11::ConnectionLost(display_)) {
        return display_;
      }
      fprintf(stderr, "[X11Backend] Lost the connection to the X server\n");
      Disconnect();
      last_attempt_ = std::chrono::steady_clock::now();
    }
    if (std::chrono::steady_clock::now() - last_attempt_ >=
        kReconnectInterval) {
      Connect(/*report_failure=*/false);
    }
    return display_;
  }

  // The connection for a pointer call: like Connection(), but nothing is
  // read when the connection is not known to be lost. Pointer calls need
  // nothing the server sent; the keymap's notices wait for the next key
  // call, and a lost server shows when the call's write or round trip
  // fails, so the next call notices it. What libxcb takes in while a
  // pointer call writes is out of sight of the next call's look at the
  // socket, so that call reads for certain.
  Display* SendingConnection() {
    if (display_ && !x11::ConnectionLost(display_)) {
      pointer_calls_since_read_ = true;
      return display_;
    }
    return Connection();
  }

  static void OnEvent(const XEvent& event, void* data) {
    static_cast<X11Backend*>(data)->keymap_.OnEvent(event);
  }

  // The keycode a macOS key has on the current map, 0 when it has none.
  KeyCode KeycodeOf(uint32_t mac_key) { return keymap_.KeycodeForMac(mac_key); }

  Display* display_ = nullptr;
  Window root_ = 0;
  bool cursor_hidden_ = false;
  Cursor blank_cursor_ = 0;
  x11::HeldInput held_;
  x11::Keymap keymap_;
  bool pointer_calls_since_read_ = false;
  std::chrono::steady_clock::time_point last_attempt_;
  const pid_t creator_ = getpid();
};

LiveBackends::~LiveBackends() {
  for (X11Backend* backend : backends) {
    backend->DisconnectAtExit();
  }
}

}  // namespace

std::unique_ptr<Backend> CreateX11Backend() {
  return std::make_unique<X11Backend>();
}

}  // namespace quorvel
