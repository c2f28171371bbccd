#include "backend/gnome/gnome_backend.h"

#include <chrono>
#include <cstdio>
#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "backend/common/desktop_backend.h"
#include "backend/common/held_codes.h"
#include "backend/common/key_hold.h"
#include "backend/common/mac_key_table.h"
#include "backend/common/pointer_buttons.h"
#include "backend/common/screen_geometry.h"
#include "backend/common/text_keysym.h"
#include "backend/gnome/display_config.h"
#include "backend/gnome/layout.h"
#include "backend/gnome/pointer.h"
#include "backend/gnome/remote_desktop_session.h"

namespace quorvel {
namespace {

// Mutter stamps a virtual key event when its input thread handles it, which
// can be a few milliseconds after it answered the call; the pause after the
// answer is longer by this much so the hold is kKeyHoldDelayMs by its clock.
constexpr int kStampLagMarginMs = 5;
// A compositor that refused the session is asked again at most this often,
// so a desktop without the API costs one failed attempt a minute, not one
// per input.
constexpr std::chrono::minutes kRetryInterval{1};

class GnomeBackend : public common::DesktopBackend {
 public:
  GnomeBackend(GDBusConnection* connection, std::unique_ptr<Backend> x11)
      : x11_(std::move(x11)),
        displays_(connection),
        session_(
            connection,
            {[this](bool ok, const std::string& error) { OnStart(ok, error); },
             [this] { OnClosed(); }}) {}

  // Releases what the app still holds, then stops the session; see
  // RemoteDesktopSession::Stop for how they reach the compositor.
  ~GnomeBackend() override {
    if (session_.state() == Session::State::kStarted) {
      ReleaseHeld();
    }
    session_.Stop();
  }

  GnomeBackend(const GnomeBackend&) = delete;
  GnomeBackend& operator=(const GnomeBackend&) = delete;

  void MoveMouse(int32_t x, int32_t y) override {
    Route([this, x, y](bool gnome) {
      if (gnome) {
        gnome::QueueMotion(&session_, displays_.monitors(), x, y);
      } else {
        x11_->MoveMouse(x, y);
      }
    });
  }

  void DragMouse(int32_t x, int32_t y) override { MoveMouse(x, y); }

  void WheelMouse(int32_t x, int32_t y, int32_t delta) override {
    Route([this, x, y, delta](bool gnome) {
      if (gnome) {
        gnome::QueueWheel(&session_, delta);
      } else {
        x11_->WheelMouse(x, y, delta);
      }
    });
  }

  void MouseClick(int32_t x,
                  int32_t y,
                  std::string_view type,
                  std::string_view button) override {
    // The names are copied: the route may run after the call.
    Route([this, x, y, type = std::string(type),
           button = std::string(button)](bool gnome) {
      if (!gnome) {
        x11_->MouseClick(x, y, type, button);
        return;
      }
      // The motion first, so the click lands where it was asked for.
      gnome::QueueMotion(&session_, displays_.monitors(), x, y);
      const int32_t code = common::EvdevButton(button);
      const bool press = common::IsPress(type);
      gnome::QueueButton(&session_, code, press);
      if (press) {
        held_.ButtonDown(code);
      } else {
        held_.ButtonUp(code);
      }
    });
  }

  void DoubleClick(int32_t x, int32_t y) override {
    Route([this, x, y](bool gnome) {
      if (!gnome) {
        x11_->DoubleClick(x, y);
        return;
      }
      gnome::QueueMotion(&session_, displays_.monitors(), x, y);
      for (int i = 0; i < 2; i++) {
        gnome::QueueButton(&session_, common::kButtonLeft, true);
        gnome::QueueButton(&session_, common::kButtonLeft, false);
      }
      held_.ButtonUp(common::kButtonLeft);
    });
  }

  // Wayland has no global pointer position; XWayland's is the last one an
  // X11 window saw.
  bool GetMouseCoords(int32_t* x, int32_t* y) override {
    return x11_->GetMouseCoords(x, y);
  }

  void KeyDown(uint32_t key) override {
    Route([this, key](bool gnome) {
      if (!gnome) {
        x11_->KeyDown(key);
        return;
      }
      const uint32_t keysym = TranslateMacVk(key);
      if (keysym == 0) {
        return;
      }
      SendKeysym(keysym, true);
      held_.KeyDown(key, keysym);
    });
  }

  // Releases the KeySym the key went down with.
  void KeyUp(uint32_t key) override {
    Route([this, key](bool gnome) {
      if (!gnome) {
        x11_->KeyUp(key);
        return;
      }
      uint32_t keysym = held_.TakeKey(key);
      if (keysym == 0) {
        keysym = TranslateMacVk(key);
      }
      if (keysym != 0) {
        SendKeysym(keysym, false);
      }
    });
  }

  void KeyPress(uint32_t key) override { KeyPressWithModifiers(key, {}); }

  void KeyPressWithModifiers(uint32_t key,
                             const std::vector<uint32_t>& modifiers) override {
    Route([this, key, modifiers](bool gnome) {
      if (!gnome) {
        if (modifiers.empty()) {
          x11_->KeyPress(key);
        } else {
          x11_->KeyPressWithModifiers(key, modifiers);
        }
        return;
      }
      std::vector<uint32_t> modifier_keysyms;
      for (uint32_t modifier : modifiers) {
        if (const uint32_t keysym = TranslateMacVk(modifier)) {
          SendKeysym(keysym, true);
          modifier_keysyms.push_back(keysym);
        }
      }
      if (const uint32_t keysym = TranslateMacVk(key)) {
        TapKeysym(keysym);
      }
      for (uint32_t keysym : modifier_keysyms) {
        SendKeysym(keysym, false);
      }
    });
  }

  // Answers at once from the layout: the compositor types a KeySym only
  // when its current group has it (adding Shift or AltGr itself), and cannot
  // take a keymap of ours. With the layout unknown the KeySym is sent and
  // the compositor drops what it cannot type.
  bool TypeText(const std::string& text) override {
    const uint32_t keysym = common::KeysymForText(text);
    if (!UsingX11()) {
      const gnome::LayoutKeysyms* layout = layout_.Current();
      if (keysym == 0 || (layout && !layout->Produces(keysym))) {
        return false;
      }
    }
    if (UsingX11()) {
      return x11_->TypeText(text);
    }
    Route([this, keysym, text](bool gnome) {
      if (gnome) {
        TapKeysym(keysym);
      } else {
        x11_->TypeText(text);
      }
    });
    return true;
  }

  bool GetScreenSize(int32_t* width, int32_t* height) override {
    return common::DesktopSize(GetScreenList(), width, height) ||
           x11_->GetScreenSize(width, height);
  }

  std::vector<ScreenInfo> GetScreenList() override {
    std::vector<ScreenInfo> screens;
    for (const gnome::Monitor& monitor : displays_.monitors()) {
      screens.push_back(monitor.info);
    }
    return screens;
  }

  // Wayland gives no client the cursor of the whole desktop; XWayland hides
  // it over X11 windows only.
  void HideCursor() override { x11_->HideCursor(); }
  void ShowCursor() override { x11_->ShowCursor(); }

 private:
  using Session = gnome::RemoteDesktopSession;
  // Runs one channel call on the GNOME path (true) or the X11 one (false).
  using Call = std::function<void(bool gnome)>;

  // While the compositor refused recently, input goes through X11.
  bool UsingX11() const {
    return refused_ &&
           std::chrono::steady_clock::now() - refused_at_ < kRetryInterval;
  }

  // Runs `call` now when the session is up or the X11 path is in use;
  // otherwise keeps it, in order, until the session has started or failed,
  // and starts the session if nobody has.
  void Route(Call call) {
    if (UsingX11()) {
      call(false);
      return;
    }
    if (session_.state() == Session::State::kStarted && waiting_.empty()) {
      call(true);
      return;
    }
    waiting_.push_back(std::move(call));
    if (session_.state() == Session::State::kIdle) {
      std::vector<std::string> connectors;
      for (const gnome::Monitor& monitor : displays_.monitors()) {
        connectors.push_back(monitor.connector);
      }
      session_.Start(connectors);
    }
  }

  void OnStart(bool ok, const std::string& error) {
    if (!ok) {
      if (!reported_) {
        fprintf(stderr,
                "[GnomeBackend] The compositor refused a remote-desktop "
                "session (%s): input goes through X11 (XWayland), retried in "
                "a minute\n",
                error.c_str());
        reported_ = true;
      }
      refused_ = true;
      refused_at_ = std::chrono::steady_clock::now();
    } else {
      refused_ = false;
    }
    std::deque<Call> calls;
    calls.swap(waiting_);
    for (Call& call : calls) {
      call(ok);
    }
  }

  // The compositor dropped the virtual devices with the session, and with
  // them whatever they held.
  void OnClosed() { held_.Clear(); }

  void SendKeysym(uint32_t keysym, bool pressed) {
    session_.Notify("NotifyKeyboardKeysym",
                    g_variant_new("(ub)", keysym, pressed ? TRUE : FALSE));
  }

  void TapKeysym(uint32_t keysym) {
    SendKeysym(keysym, true);
    session_.Hold(static_cast<int>(kKeyHoldDelayMs) + kStampLagMarginMs);
    SendKeysym(keysym, false);
  }

  // Keys in reverse order of pressing, then buttons.
  void ReleaseHeld() {
    held_.ReleaseAll([this](uint32_t keysym) { SendKeysym(keysym, false); },
                     [this](int32_t button) {
                       gnome::QueueButton(&session_, button, false);
                     });
  }

  std::unique_ptr<Backend> x11_;
  gnome::DisplayConfig displays_;
  gnome::ActiveLayout layout_;
  common::HeldCodes held_;
  // Calls that arrived while the session was starting.
  std::deque<Call> waiting_;
  bool refused_ = false;
  bool reported_ = false;
  std::chrono::steady_clock::time_point refused_at_;
  // Last: destroyed first, it releases and stops while the rest is alive.
  Session session_;
};

}  // namespace

std::unique_ptr<Backend> CreateGnomeBackend(GDBusConnection* connection,
                                            std::unique_ptr<Backend> x11) {
  return std::make_unique<GnomeBackend>(connection, std::move(x11));
}

}  // namespace quorvel
