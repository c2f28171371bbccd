#include "backend/eis/eis_backend.h"

#include <cstdio>
#include <cstring>
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
#include "backend/common/session_bus.h"
#include "backend/common/text_keysym.h"
#include "backend/eis/bus_names.h"
#include "backend/eis/eis_connection.h"
#include "backend/eis/keyboard.h"
#include "backend/eis/kwin_layouts.h"
#include "backend/eis/screens.h"

namespace quorvel {
namespace {

// A connection KWin refused or closed is asked for again this often, so a
// desktop without the endpoint costs one failed attempt a minute.
constexpr guint kRetryIntervalSeconds = 60;
// Introspection is answered from memory; the limit only bounds a hang.
constexpr int kIntrospectTimeoutMs = 500;
// One wheel notch in EI's discrete scroll units.
constexpr int32_t kDiscreteNotch = 120;

class EisBackend : public common::DesktopBackend {
 public:
  EisBackend(const eis::LibeiApi* api,
             GDBusConnection* bus,
             std::unique_ptr<Backend> x11)
      : x11_(std::move(x11)),
        context_(g_main_context_ref_thread_default()),
        layouts_(bus, [this](uint32_t layout) { keyboard_.SetLayout(layout); }),
        connection_(
            api,
            bus,
            {[this](bool ok, const std::string& error) { OnReady(ok, error); },
             [this] { OnClosed(); },
             [this](int fd, size_t size) { OnKeymap(fd, size); },
             [this](uint32_t depressed,
                    uint32_t latched,
                    uint32_t locked,
                    uint32_t group) {
               keyboard_.SetModifiers(depressed, latched, locked, group);
             }}) {
    // At once rather than at the first input: by the time the app asks
    // what can be typed or where the screens are, the keymap and the
    // outputs are known.
    connection_.Connect();
  }

  // Releases what the app still holds, then ends the connection; see
  // EisConnection::Close for how they reach the compositor.
  ~EisBackend() override {
    if (retry_source_) {
      if (GSource* source =
              g_main_context_find_source_by_id(context_, retry_source_)) {
        g_source_destroy(source);
      }
    }
    if (connection_.state() == Connection::State::kReady) {
      ReleaseHeld();
    }
    connection_.Close();
    g_main_context_unref(context_);
  }

  EisBackend(const EisBackend&) = delete;
  EisBackend& operator=(const EisBackend&) = delete;

  void MoveMouse(int32_t x, int32_t y) override {
    Route([this, x, y](bool eis) {
      if (eis) {
        Move(x, y);
      } else {
        x11_->MoveMouse(x, y);
      }
    });
  }

  void DragMouse(int32_t x, int32_t y) override { MoveMouse(x, y); }

  void WheelMouse(int32_t x, int32_t y, int32_t delta) override {
    Route([this, x, y, delta](bool eis) {
      if (!eis) {
        x11_->WheelMouse(x, y, delta);
        return;
      }
      // EI's discrete steps count downwards, the channel's delta upwards;
      // one step per notch, as X11 sends one click per notch.
      const int32_t step =
          common::WheelButton(delta) == 4 ? -kDiscreteNotch : kDiscreteNotch;
      for (uint32_t i = 0; i < common::WheelNotchCount(delta); i++) {
        connection_.Scroll(step);
      }
    });
  }

  void MouseClick(int32_t x,
                  int32_t y,
                  std::string_view type,
                  std::string_view button) override {
    // The names are copied: the route may run after the call.
    Route([this, x, y, type = std::string(type),
           button = std::string(button)](bool eis) {
      if (!eis) {
        x11_->MouseClick(x, y, type, button);
        return;
      }
      // The motion first, so the click lands where it was asked for.
      Move(x, y);
      const int32_t code = common::EvdevButton(button);
      const bool press = common::IsPress(type);
      connection_.Button(static_cast<uint32_t>(code), press);
      if (press) {
        held_.ButtonDown(code);
      } else {
        held_.ButtonUp(code);
      }
    });
  }

  void DoubleClick(int32_t x, int32_t y) override {
    Route([this, x, y](bool eis) {
      if (!eis) {
        x11_->DoubleClick(x, y);
        return;
      }
      Move(x, y);
      for (int i = 0; i < 2; i++) {
        connection_.Button(common::kButtonLeft, true);
        connection_.Button(common::kButtonLeft, false);
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
    Route([this, key](bool eis) {
      if (!eis) {
        x11_->KeyDown(key);
        return;
      }
      const uint32_t code = keyboard_.KeyFor(TranslateMacVk(key));
      if (code == 0) {
        return;
      }
      SendKey(code, true);
      held_.KeyDown(key, code);
    });
  }

  // Releases the key code the key went down with.
  void KeyUp(uint32_t key) override {
    Route([this, key](bool eis) {
      if (!eis) {
        x11_->KeyUp(key);
        return;
      }
      uint32_t code = held_.TakeKey(key);
      if (code == 0) {
        code = keyboard_.KeyFor(TranslateMacVk(key));
      }
      if (code != 0) {
        SendKey(code, false);
      }
    });
  }

  void KeyPress(uint32_t key) override { KeyPressWithModifiers(key, {}); }

  void KeyPressWithModifiers(uint32_t key,
                             const std::vector<uint32_t>& modifiers) override {
    Route([this, key, modifiers](bool eis) {
      if (!eis) {
        if (modifiers.empty()) {
          x11_->KeyPress(key);
        } else {
          x11_->KeyPressWithModifiers(key, modifiers);
        }
        return;
      }
      eis::KeyChord chord;
      chord.key = keyboard_.KeyFor(TranslateMacVk(key));
      for (uint32_t modifier : modifiers) {
        if (const uint32_t code = keyboard_.KeyFor(TranslateMacVk(modifier))) {
          chord.modifiers.push_back(code);
        }
      }
      TapChord(chord, /*release_in_reverse=*/false);
    });
  }

  // Answers at once from the compositor's keymap: EI sends key codes, which
  // KWin reads through its keymap, and cannot change that keymap. A text the
  // layout in effect cannot type answers false with nothing sent, and so
  // does any text while the keymap is not known yet.
  bool TypeText(const std::string& text) override {
    if (using_x11_) {
      return x11_->TypeText(text);
    }
    if (connection_.state() != Connection::State::kReady ||
        !keyboard_.loaded()) {
      return false;
    }
    eis::KeyChord chord;
    char32_t character = 0;
    if (common::TextCharacter(text, &character)) {
      if (!keyboard_.ChordFor(text, character, &chord)) {
        return false;
      }
    } else {
      // A key by its name, pressed alone: the app asked for that key.
      chord.key = keyboard_.KeyFor(common::KeysymForText(text));
      if (chord.key == 0) {
        return false;
      }
    }
    Route([this, chord, text](bool eis) {
      if (eis) {
        TapChord(chord, /*release_in_reverse=*/true);
      } else {
        x11_->TypeText(text);
      }
    });
    return true;
  }

  bool GetScreenSize(int32_t* width, int32_t* height) override {
    return common::DesktopSize(Screens(), width, height) ||
           x11_->GetScreenSize(width, height);
  }

  std::vector<ScreenInfo> GetScreenList() override { return Screens(); }

  // Wayland gives no client the cursor of the whole desktop; XWayland hides
  // it over X11 windows only.
  void HideCursor() override { x11_->HideCursor(); }
  void ShowCursor() override { x11_->ShowCursor(); }

 private:
  using Connection = eis::EisConnection;
  // Runs one channel call on the EIS path (true) or the X11 one (false).
  using Call = std::function<void(bool eis)>;

  std::vector<ScreenInfo> Screens() const {
    return eis::ScreensFromRegions(connection_.regions());
  }

  // Runs `call` now on the path in use; while the first connection is being
  // made, keeps it, in order, until that succeeds or fails.
  void Route(Call call) {
    if (using_x11_) {
      call(false);
      return;
    }
    if (connection_.state() == Connection::State::kReady && waiting_.empty()) {
      call(true);
      return;
    }
    waiting_.push_back(std::move(call));
  }

  void OnReady(bool ok, const std::string& error) {
    if (ok) {
      using_x11_ = false;
      screen_ = kNoScreen;
    } else {
      Report("KWin refused an EIS connection (" + error + ")");
    }
    std::deque<Call> calls;
    calls.swap(waiting_);
    for (Call& call : calls) {
      call(ok);
    }
  }

  // The compositor dropped the devices with the connection, and with them
  // whatever they held.
  void OnClosed() {
    held_.Clear();
    keyboard_.Clear();
    Report("KWin closed the EIS connection");
  }

  // Input goes through X11 from now on and the connection is asked for
  // again in a minute; only the first failure is said.
  void Report(const std::string& what) {
    if (!reported_) {
      fprintf(stderr,
              "[EisBackend] %s: input goes through X11 (XWayland), retried "
              "in a minute\n",
              what.c_str());
      reported_ = true;
    }
    using_x11_ = true;
    if (!retry_source_) {
      GSource* retry = g_timeout_source_new_seconds(kRetryIntervalSeconds);
      g_source_set_callback(retry, &EisBackend::OnRetry, this, nullptr);
      retry_source_ = g_source_attach(retry, context_);
      g_source_unref(retry);
    }
  }

  static gboolean OnRetry(gpointer data) {
    auto* self = static_cast<EisBackend*>(data);
    self->retry_source_ = 0;
    // Input keeps going through X11 until the new connection is ready.
    self->connection_.Connect();
    return G_SOURCE_REMOVE;
  }

  void OnKeymap(int fd, size_t size) {
    if (fd < 0) {
      // The keyboard went away, and the keys it held with it.
      keyboard_.Clear();
      held_.ForgetKeys();
      return;
    }
    keyboard_.Load(fd, size);
    layouts_.Refresh();
  }

  // An absolute motion to (x, y), clamped onto the nearest output. KWin 6.3
  // holds a pointer that moves onto another output at the edge (its edge
  // barrier, 100 pixels by default, counts absolute motion too, and more
  // near corners), so a move to another output than the last one goes
  // through the middle of that output first, which is far enough past any
  // edge to cross it.
  void Move(int32_t x, int32_t y) {
    const std::vector<ScreenInfo> screens = Screens();
    const size_t index = common::NearestScreen(screens, x, y);
    if (index == screens.size()) {
      return;
    }
    const ScreenInfo& screen = screens[index];
    if (index != screen_) {
      connection_.Motion(screen.x + screen.width / 2.0,
                         screen.y + screen.height / 2.0);
      screen_ = index;
    }
    common::ClampToScreen(screen, &x, &y);
    connection_.Motion(x, y);
  }

  void SendKey(uint32_t code, bool pressed) {
    connection_.Key(code, pressed);
    keyboard_.NoteKey(code, pressed);
  }

  // The modifiers down in order, the key held kKeyHoldDelayMs by the
  // compositor's clock, then the modifiers up: last first for a character's
  // level keys, in pressing order for the app's own modifiers.
  void TapChord(const eis::KeyChord& chord, bool release_in_reverse) {
    for (uint32_t modifier : chord.modifiers) {
      SendKey(modifier, true);
    }
    if (chord.key != 0) {
      SendKey(chord.key, true);
      connection_.Hold(static_cast<int>(kKeyHoldDelayMs));
      SendKey(chord.key, false);
    }
    if (release_in_reverse) {
      for (auto it = chord.modifiers.rbegin(); it != chord.modifiers.rend();
           ++it) {
        SendKey(*it, false);
      }
    } else {
      for (uint32_t modifier : chord.modifiers) {
        SendKey(modifier, false);
      }
    }
  }

  // Keys in reverse order of pressing, then buttons.
  void ReleaseHeld() {
    held_.ReleaseAll([this](uint32_t code) { SendKey(code, false); },
                     [this](int32_t button) {
                       connection_.Button(static_cast<uint32_t>(button), false);
                     });
  }

  static constexpr size_t kNoScreen = static_cast<size_t>(-1);

  std::unique_ptr<Backend> x11_;
  GMainContext* context_;
  eis::Keyboard keyboard_;
  eis::KwinLayouts layouts_;
  common::HeldCodes held_;
  // The output the last motion went to (kNoScreen: none yet).
  size_t screen_ = kNoScreen;
  // Calls that arrived while the first connection was being made.
  std::deque<Call> waiting_;
  bool using_x11_ = false;
  bool reported_ = false;
  guint retry_source_ = 0;
  // Last: destroyed first, it releases and disconnects while the rest is
  // alive.
  Connection connection_;
};

}  // namespace

bool KwinOffersEis(GDBusConnection* connection) {
  if (!common::NameHasOwner(connection, eis::kKwinName)) {
    return false;
  }
  g_autoptr(GVariant) reply = g_dbus_connection_call_sync(
      connection, eis::kKwinName, eis::kEisPath,
      "org.freedesktop.DBus.Introspectable", "Introspect", nullptr,
      G_VARIANT_TYPE("(s)"), G_DBUS_CALL_FLAGS_NONE, kIntrospectTimeoutMs,
      nullptr, nullptr);
  if (!reply) {
    return false;
  }
  const gchar* xml = nullptr;
  g_variant_get(reply, "(&s)", &xml);
  const std::string needle =
      std::string("<interface name=\"") + eis::kEisInterface + "\"";
  return xml && strstr(xml, needle.c_str()) != nullptr;
}

std::unique_ptr<Backend> CreateEisBackend(const eis::LibeiApi* api,
                                          GDBusConnection* connection,
                                          std::unique_ptr<Backend> x11) {
  return std::make_unique<EisBackend>(api, connection, std::move(x11));
}

}  // namespace quorvel
