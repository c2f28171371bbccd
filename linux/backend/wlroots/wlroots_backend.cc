#include "backend/wlroots/wlroots_backend.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
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
#include "backend/wlroots/input_queue.h"
#include "backend/wlroots/keyboard.h"
#include "backend/wlroots/outputs.h"
#include "backend/wlroots/typing_keymap.h"
#include "backend/wlroots/virtual_devices.h"

namespace quorvel {
namespace {

using wlroots::Connection;

// A compositor that went away is looked for again at most this often.
constexpr std::chrono::seconds kReconnectInterval{1};
// How long a new connection may take to list its globals; a compositor
// that takes longer is treated as absent until the next attempt.
constexpr int kConnectTimeoutMs = 250;
// How long dispose waits for the compositor to take the last releases.
constexpr int kTeardownTimeoutMs = 200;
// On a seat that had no pointer or keyboard before ours, clients receive
// input only once they have reacted to the seat's new capability; input
// waits this long after the devices are made.
constexpr int kWarmUpMs = 50;
// Wheel notches sent in one go before the socket gets a chance to drain.
constexpr uint32_t kNotchesPerBatch = 32;

class WlrootsBackend : public common::DesktopBackend {
 public:
  explicit WlrootsBackend(std::unique_ptr<Connection> connection)
      : context_(xkb_context_new(XKB_CONTEXT_NO_FLAGS)),
        queue_([this] { Flush(); }) {
    const char* display = getenv("WAYLAND_DISPLAY");
    fprintf(stderr,
            "[WlrootsBackend] Input through the compositor's virtual pointer "
            "and keyboard (WAYLAND_DISPLAY=%s)\n",
            display ? display : "(null)");
    Start(std::move(connection));
  }

  // Sends what is still queued and releases what the app holds, so no key
  // or button stays down, then closes the connection.
  ~WlrootsBackend() override {
    if (connection_ && !connection_->failed()) {
      queue_.RunAll();
      ReleaseHeld();
      Flush();
      connection_->Roundtrip(kTeardownTimeoutMs);
    }
    Drop();
    xkb_context_unref(context_);
  }

  WlrootsBackend(const WlrootsBackend&) = delete;
  WlrootsBackend& operator=(const WlrootsBackend&) = delete;

  void MoveMouse(int32_t x, int32_t y) override {
    if (!Connected()) {
      return;
    }
    Remember(x, y);
    queue_.Push([this, x, y] { SendMotion(x, y); });
  }

  void DragMouse(int32_t x, int32_t y) override { MoveMouse(x, y); }

  // The wheel turns where the pointer is, as on X11.
  void WheelMouse(int32_t /*x*/, int32_t /*y*/, int32_t delta) override {
    if (!Connected()) {
      return;
    }
    // Wayland's vertical axis grows downwards; a positive delta scrolls up.
    const int32_t step = common::WheelButton(delta) == 4 ? -1 : 1;
    // One frame per notch: clients count frames, not the steps in one.
    for (uint32_t left = common::WheelNotchCount(delta); left > 0;) {
      const uint32_t batch = std::min(left, kNotchesPerBatch);
      left -= batch;
      queue_.Push([this, step, batch] {
        for (uint32_t i = 0; i < batch; i++) {
          pointer_->Wheel(step);
        }
      });
      if (left > 0) {
        queue_.Pause(1);
      }
    }
  }

  void MouseClick(int32_t x,
                  int32_t y,
                  std::string_view type,
                  std::string_view button) override {
    if (!Connected()) {
      return;
    }
    const int32_t code = common::EvdevButton(button);
    const bool press = common::IsPress(type);
    Remember(x, y);
    queue_.Push([this, x, y, code, press] {
      // The motion first, so the click lands where it was asked for.
      SendMotion(x, y);
      pointer_->Button(code, press);
      if (press) {
        held_.ButtonDown(code);
      } else {
        held_.ButtonUp(code);
      }
    });
  }

  void DoubleClick(int32_t x, int32_t y) override {
    if (!Connected()) {
      return;
    }
    Remember(x, y);
    queue_.Push([this, x, y] {
      SendMotion(x, y);
      for (int i = 0; i < 2; i++) {
        pointer_->Button(common::kButtonLeft, true);
        pointer_->Button(common::kButtonLeft, false);
      }
      held_.ButtonUp(common::kButtonLeft);
    });
  }

  // A Wayland client cannot read the pointer; the last position this
  // backend moved it to is the best answer there is.
  bool GetMouseCoords(int32_t* x, int32_t* y) override {
    if (!has_position_) {
      return false;
    }
    *x = last_x_;
    *y = last_y_;
    return true;
  }

  void KeyDown(uint32_t key) override {
    const uint32_t keysym = TranslateMacVk(key);
    if (keysym == 0 || !Connected()) {
      return;
    }
    queue_.Push([this, key, keysym] {
      if (const xkb_keycode_t keycode = keyboard_->KeyFor(keysym)) {
        keyboard_->SendKey(keycode, true);
        held_.KeyDown(key, keycode);
      }
    });
  }

  // Releases the key the macOS key went down with, even if the keymap has
  // changed since; a key not held is looked up afresh.
  void KeyUp(uint32_t key) override {
    const uint32_t keysym = TranslateMacVk(key);
    if (!Connected()) {
      return;
    }
    queue_.Push([this, key, keysym] {
      xkb_keycode_t keycode = held_.TakeKey(key);
      if (keycode == 0 && keysym != 0) {
        keycode = keyboard_->KeyFor(keysym);
      }
      if (keycode != 0) {
        keyboard_->SendKey(keycode, false);
      }
    });
  }

  void KeyPress(uint32_t key) override { KeyPressWithModifiers(key, {}); }

  // Modifiers go down first to last, the key is held kKeyHoldDelayMs by
  // the event times clients see, then the key and the modifiers come up
  // (first to last), as on X11.
  void KeyPressWithModifiers(uint32_t key,
                             const std::vector<uint32_t>& modifiers) override {
    if (!Connected()) {
      return;
    }
    auto pressed = std::make_shared<std::vector<xkb_keycode_t>>();
    queue_.Push([this, key, modifiers, pressed] {
      for (uint32_t modifier : modifiers) {
        const uint32_t keysym = TranslateMacVk(modifier);
        if (const xkb_keycode_t keycode =
                keysym ? keyboard_->KeyFor(keysym) : 0) {
          keyboard_->SendKey(keycode, true);
          pressed->push_back(keycode);
        }
      }
      const uint32_t keysym = TranslateMacVk(key);
      if (const xkb_keycode_t keycode =
              keysym ? keyboard_->KeyFor(keysym) : 0) {
        keyboard_->SendKey(keycode, true);
        pressed->insert(pressed->begin(), keycode);
      }
    });
    queue_.Pause(static_cast<int>(kKeyHoldDelayMs));
    queue_.Push([this, pressed] {
      for (xkb_keycode_t keycode : *pressed) {
        keyboard_->SendKey(keycode, false);
      }
    });
  }

  // Any single character: the seat's keys type what they have, with the
  // modifiers of the level it is on; anything else goes on a spare key of
  // the keymap we upload. Keys are held like KeyPress's.
  bool TypeText(const std::string& text) override {
    const xkb_keysym_t keysym = common::KeysymForText(text);
    if (keysym == 0 || !Connected()) {
      return false;
    }
    // A compositor may have put a keymap of its own on our device since
    // the last keys (sway 1.7 does on every reload); sending ours again at
    // the start of each burst of keys costs microseconds.
    const bool burst = !queue_.busy();
    auto keycode = std::make_shared<xkb_keycode_t>(0);
    queue_.Push([this, keysym, burst, keycode] {
      if (burst) {
        keyboard_->SendKeymap(true);
      }
      common::XkbKeyLevel chord;
      if (!keyboard_->ChordFor(keysym, &chord)) {
        return;
      }
      keyboard_->SendTypingModifiers(chord.mods);
      keyboard_->TypeKey(chord.key, true);
      *keycode = chord.key;
    });
    queue_.Pause(static_cast<int>(kKeyHoldDelayMs));
    queue_.Push([this, keycode] {
      if (*keycode != 0) {
        keyboard_->TypeKey(*keycode, false);
        keyboard_->RestoreModifiers();
      }
    });
    return true;
  }

  // Measured from the origin, as every other backend measures it; the
  // pointer's box (BoundingBox) is the protocol's business.
  bool GetScreenSize(int32_t* width, int32_t* height) override {
    return Connected() &&
           common::DesktopSize(connection_->outputs().Screens(), width, height);
  }

  std::vector<ScreenInfo> GetScreenList() override {
    if (!Connected()) {
      return {};
    }
    return connection_->outputs().Screens();
  }

  // No Wayland protocol lets a client hide the pointer of the whole
  // desktop; only the surface under it chooses its cursor.
  void HideCursor() override {}
  void ShowCursor() override {}

 private:
  // Makes the devices on `connection` and starts serving it.
  void Start(std::unique_ptr<Connection> connection) {
    connection_ = std::move(connection);
    last_attempt_ = std::chrono::steady_clock::now();
    wlroots::Seat* seat = connection_->seat();
    std::string seat_keymap = seat->keymap();
    if (wlroots::IsOwnKeymap(seat_keymap)) {
      seat_keymap.clear();
    }
    seat_keymap_ = seat_keymap;
    own_keymap_seen_ = false;
    std::unique_ptr<wlroots::TypingKeymap> keymap =
        wlroots::TypingKeymap::Create(context_, seat_keymap);
    if (!keymap && !seat_keymap.empty()) {
      keymap = wlroots::TypingKeymap::Create(context_, std::string());
    }
    if (!keymap) {
      fprintf(stderr,
              "[WlrootsBackend] No keymap can be built (neither the seat's "
              "nor the XKB default): no input is sent\n");
      connection_.reset();
      return;
    }
    if (seat_keymap.empty() && !default_keymap_reported_) {
      const char* layout = getenv("XKB_DEFAULT_LAYOUT");
      fprintf(stderr,
              "[WlrootsBackend] The seat has no keyboard yet: keys mean what "
              "they mean in the XKB default keymap (layout %s)\n",
              layout ? layout : "from the system default");
      default_keymap_reported_ = true;
    }
    pointer_ = std::make_unique<wlroots::VirtualPointer>(connection_.get());
    keyboard_ = std::make_unique<wlroots::Keyboard>(connection_.get(),
                                                    std::move(keymap));
    seat->OnKeymap([this](const std::string& text) { OnSeatKeymap(text); });
    connection_->Serve([this] { OnLost(); });
    Flush();
    queue_.Pause(kWarmUpMs);
  }

  // The connection for this call: the current one, or, at most once per
  // kReconnectInterval, a new one.
  bool Connected() {
    if (connection_) {
      return true;
    }
    if (std::chrono::steady_clock::now() - last_attempt_ < kReconnectInterval) {
      return false;
    }
    last_attempt_ = std::chrono::steady_clock::now();
    std::string why;
    std::unique_ptr<Connection> connection =
        Connection::Open(kConnectTimeoutMs, &why);
    if (!connection) {
      return false;
    }
    fprintf(stderr, "[WlrootsBackend] Connected to the compositor again\n");
    lost_reported_ = false;
    Start(std::move(connection));
    return connection_ != nullptr;
  }

  // The compositor went away or ended the connection: what it held went
  // with our devices, and nothing queued can reach it.
  void OnLost() {
    if (!lost_reported_) {
      fprintf(stderr,
              "[WlrootsBackend] Lost the connection to the compositor: input "
              "is dropped until it is back (tried at most once a second)\n");
      lost_reported_ = true;
    }
    queue_.Clear();
    Drop();
    last_attempt_ = std::chrono::steady_clock::now();
  }

  // A keymap the compositor sent our wl_keyboard. Until ours first comes
  // back, what arrives is the compositor's own keymap for our new device
  // (sway gives every new keyboard its configured one before ours); after
  // that, another keymap is the user's keyboard in use again, or the
  // compositor's replacing ours, and typing follows it.
  void OnSeatKeymap(const std::string& text) {
    if (wlroots::IsOwnKeymap(text)) {
      own_keymap_seen_ = true;
      return;
    }
    if (!own_keymap_seen_ || text == seat_keymap_) {
      return;
    }
    seat_keymap_ = text;
    if (auto keymap = wlroots::TypingKeymap::Create(context_, text)) {
      keyboard_->Rebase(std::move(keymap));
    }
  }

  void Drop() {
    keyboard_.reset();
    pointer_.reset();
    connection_.reset();
    held_.Clear();
  }

  void Flush() {
    if (connection_) {
      connection_->Flush();
    }
  }

  void SendMotion(int32_t x, int32_t y) {
    wlroots::DesktopBox box;
    if (!wlroots::BoundingBox(connection_->outputs().Screens(), &box)) {
      return;
    }
    pointer_->MoveTo(box, x, y);
  }

  void Remember(int32_t x, int32_t y) {
    last_x_ = x;
    last_y_ = y;
    has_position_ = true;
  }

  // Keys last pressed first, then buttons.
  void ReleaseHeld() {
    // The keyboard knows every key down, typing's too, and releases them.
    keyboard_->ReleaseAll();
    held_.ReleaseAll(
        [](uint32_t) {},
        [this](int32_t button) { pointer_->Button(button, false); });
  }

  xkb_context* context_;
  wlroots::InputQueue queue_;
  std::unique_ptr<Connection> connection_;
  std::unique_ptr<wlroots::VirtualPointer> pointer_;
  std::unique_ptr<wlroots::Keyboard> keyboard_;
  // The macOS keys (with the keycode each went down with) and the buttons
  // the app holds.
  common::HeldCodes held_;
  int32_t last_x_ = 0;
  int32_t last_y_ = 0;
  bool has_position_ = false;
  // The last keymap of the user's keyboard typing was built from.
  std::string seat_keymap_;
  bool own_keymap_seen_ = false;
  bool lost_reported_ = false;
  bool default_keymap_reported_ = false;
  std::chrono::steady_clock::time_point last_attempt_;
};

}  // namespace

std::unique_ptr<Backend> CreateWlrootsBackend(
    std::unique_ptr<Connection> connection) {
  return std::make_unique<WlrootsBackend>(std::move(connection));
}

}  // namespace quorvel
