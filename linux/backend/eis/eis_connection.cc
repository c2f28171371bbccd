#include "backend/eis/eis_connection.h"

#include <gio/gunixfdlist.h>
#include <glib-unix.h>
#include <poll.h>
#include <unistd.h>

#include <cstring>
#include <utility>

#include "backend/common/session_bus.h"
#include "backend/eis/bus_names.h"

namespace quorvel {
namespace eis {
namespace {

// What the backend asks KWin's endpoint for: keyboard | pointer.
constexpr int32_t kKeyboardAndPointer = 1 | 2;
// KWin answers connectToEIS at once; the limit only bounds a compositor
// that hangs.
constexpr int kConnectTimeoutMs = 5000;
// The seat and its devices follow the connection within milliseconds; a
// compositor that offers no absolute pointer and keyboard in this time
// counts as refusing.
constexpr int kReadyTimeoutMs = 5000;
// A compositor that does not answer a round trip in this time is taken to
// have handled what came before anyway.
constexpr int kPongTimeoutMs = 1000;
// Without a round trip (libei before 1.4) a hold counts from the sending:
// KWin stamps an event when its main loop reads it, a little later than it
// left, so the pause is longer by this much.
constexpr int kStampLagMarginMs = 5;
// From the start of emulation to the first input (see CheckReady).
constexpr int kWarmUpPauseMs = 100;
// At teardown the disconnect must leave before the bus connection closes.
constexpr int kCloseFlushTimeoutMs = 500;
constexpr char kClientName[] = "quorvel remote desktop";

}  // namespace

EisConnection::EisConnection(const LibeiApi* api,
                             GDBusConnection* bus,
                             Callbacks callbacks)
    : api_(api),
      bus_(G_DBUS_CONNECTION(g_object_ref(bus))),
      callbacks_(std::move(callbacks)),
      context_(g_main_context_ref_thread_default()) {}

EisConnection::~EisConnection() {
  Close();
  g_main_context_unref(context_);
  g_object_unref(bus_);
}

void EisConnection::Connect() {
  if (state_ != State::kIdle) {
    return;
  }
  state_ = State::kConnecting;
  cancellable_ = g_cancellable_new();
  g_dbus_connection_call_with_unix_fd_list(
      bus_, kKwinName, kEisPath, kEisInterface, "connectToEIS",
      g_variant_new("(i)", kKeyboardAndPointer), G_VARIANT_TYPE("(hi)"),
      G_DBUS_CALL_FLAGS_NONE, kConnectTimeoutMs, nullptr, cancellable_,
      &EisConnection::OnConnected, this);
}

void EisConnection::OnConnected(GObject* source,
                                GAsyncResult* result,
                                gpointer data) {
  g_autoptr(GUnixFDList) fds = nullptr;
  g_autoptr(GError) error = nullptr;
  g_autoptr(GVariant) reply = g_dbus_connection_call_with_unix_fd_list_finish(
      G_DBUS_CONNECTION(source), &fds, result, &error);
  if (g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED)) {
    return;  // the connection is gone
  }
  auto* self = static_cast<EisConnection*>(data);
  if (!reply) {
    self->Fail(std::string("connectToEIS: ") + error->message);
    return;
  }
  gint32 handle = -1;
  g_variant_get(reply, "(hi)", &handle, &self->cookie_);
  self->have_cookie_ = true;
  const int fd = fds ? g_unix_fd_list_get(fds, handle, nullptr) : -1;
  if (fd < 0) {
    self->Fail("connectToEIS gave no file descriptor");
    return;
  }
  const LibeiApi& ei = *self->api_;
  self->ei_ = ei.ei_new_sender(self);
  if (!self->ei_) {
    close(fd);
    self->Fail("libei could not make a context");
    return;
  }
  ei.ei_configure_name(self->ei_, kClientName);
  // libei's own notes would go to standard error; only its errors do.
  ei.ei_log_set_priority(self->ei_, kLogPriorityError);
  const int rc = ei.ei_setup_backend_fd(self->ei_, fd);
  if (rc < 0) {
    self->Fail(std::string("EI setup: ") + strerror(-rc));
    return;
  }
  GSource* watch = g_unix_fd_source_new(
      ei.ei_get_fd(self->ei_),
      static_cast<GIOCondition>(G_IO_IN | G_IO_HUP | G_IO_ERR));
  g_source_set_callback(
      watch,
      reinterpret_cast<GSourceFunc>(
          reinterpret_cast<void (*)()>(&EisConnection::OnReadable)),
      self, nullptr);
  self->fd_source_ = g_source_attach(watch, self->context_);
  g_source_unref(watch);
  self->ready_timeout_ =
      self->AddTimeout(kReadyTimeoutMs, &EisConnection::OnReadyTimeout);
}

gboolean EisConnection::OnReadable(gint /*fd*/,
                                   GIOCondition /*condition*/,
                                   gpointer data) {
  static_cast<EisConnection*>(data)->Dispatch();
  // A connection that ended removed this source already.
  return G_SOURCE_CONTINUE;
}

gboolean EisConnection::OnReadyTimeout(gpointer data) {
  auto* self = static_cast<EisConnection*>(data);
  self->ready_timeout_ = 0;
  self->Fail("no absolute pointer and keyboard from the compositor");
  return G_SOURCE_REMOVE;
}

void EisConnection::Dispatch() {
  if (!ei_) {
    return;
  }
  api_->ei_dispatch(ei_);
  bool ended = false;
  while (ei_ && !ended) {
    struct ei_event* event = api_->ei_get_event(ei_);
    if (!event) {
      break;
    }
    ended = !Handle(event);
    api_->ei_event_unref(event);
  }
  if (!ended) {
    return;
  }
  if (state_ == State::kReady) {
    TearDown(/*flush=*/false);
    if (callbacks_.on_closed) {
      callbacks_.on_closed();
    }
  } else {
    Fail("the compositor ended the connection");
  }
}

bool EisConnection::Handle(struct ei_event* event) {
  const LibeiApi& ei = *api_;
  struct ei_device* device = ei.ei_event_get_device(event);
  switch (ei.ei_event_get_type(event)) {
    case kEventDisconnect:
      return false;
    case kEventSeatAdded:
      if (!seat_) {
        seat_ = ei.ei_seat_ref(ei.ei_event_get_seat(event));
        ei.ei_seat_bind_capabilities(seat_, kCapPointerAbsolute, kCapButton,
                                     kCapScroll, kCapKeyboard, nullptr);
      }
      break;
    case kEventSeatRemoved:
      if (seat_ && ei.ei_event_get_seat(event) == seat_) {
        ei.ei_seat_unref(seat_);
        seat_ = nullptr;
      }
      break;
    case kEventDeviceAdded:
      OnDeviceAdded(device);
      break;
    case kEventDeviceRemoved:
      OnDeviceRemoved(device);
      break;
    case kEventDeviceResumed:
      if (device && (device == pointer_ || device == keyboard_)) {
        // Each emulation needs a sequence number above the last.
        ei.ei_device_start_emulating(device, ++sequence_);
        if (device == pointer_) {
          pointer_emulating_ = true;
        }
        if (device == keyboard_) {
          keyboard_emulating_ = true;
        }
        CheckReady();
      }
      break;
    case kEventDevicePaused:
      // What is sent until the next resume is discarded by the compositor.
      if (device == pointer_) {
        pointer_emulating_ = false;
      }
      if (device == keyboard_) {
        keyboard_emulating_ = false;
      }
      break;
    case kEventKeyboardModifiers:
      if (device == keyboard_ && callbacks_.on_modifiers) {
        callbacks_.on_modifiers(
            ei.ei_event_keyboard_get_xkb_mods_depressed(event),
            ei.ei_event_keyboard_get_xkb_mods_latched(event),
            ei.ei_event_keyboard_get_xkb_mods_locked(event),
            ei.ei_event_keyboard_get_xkb_group(event));
      }
      break;
    case kEventPong:
      if (ping_ && ei.ei_event_pong_get_ping(event) == ping_) {
        ei.ei_ping_unref(ping_);
        ping_ = nullptr;
        RemoveSource(&hold_source_);
        StartHoldTimer(hold_ms_);
      }
      break;
    default:
      break;
  }
  return true;
}

void EisConnection::OnDeviceAdded(struct ei_device* device) {
  const LibeiApi& ei = *api_;
  if (!device) {
    return;
  }
  if (!pointer_ && ei.ei_device_has_capability(device, kCapPointerAbsolute)) {
    pointer_ = ei.ei_device_ref(device);
    regions_.clear();
    for (size_t i = 0;; i++) {
      struct ei_region* region = ei.ei_device_get_region(device, i);
      if (!region) {
        break;
      }
      Region r;
      r.x = ei.ei_region_get_x(region);
      r.y = ei.ei_region_get_y(region);
      r.width = ei.ei_region_get_width(region);
      r.height = ei.ei_region_get_height(region);
      r.scale = ei.ei_region_get_physical_scale(region);
      regions_.push_back(r);
    }
  }
  if (!keyboard_ && ei.ei_device_has_capability(device, kCapKeyboard)) {
    keyboard_ = ei.ei_device_ref(device);
    struct ei_keymap* keymap = ei.ei_device_keyboard_get_keymap(device);
    if (callbacks_.on_keymap) {
      if (keymap && ei.ei_keymap_get_type(keymap) == kKeymapTypeXkb) {
        callbacks_.on_keymap(ei.ei_keymap_get_fd(keymap),
                             ei.ei_keymap_get_size(keymap));
      } else {
        callbacks_.on_keymap(-1, 0);
      }
    }
  }
}

void EisConnection::OnDeviceRemoved(struct ei_device* device) {
  if (device && device == pointer_) {
    api_->ei_device_unref(pointer_);
    pointer_ = nullptr;
    pointer_emulating_ = false;
    regions_.clear();
  }
  if (device && device == keyboard_) {
    api_->ei_device_unref(keyboard_);
    keyboard_ = nullptr;
    keyboard_emulating_ = false;
    if (callbacks_.on_keymap) {
      callbacks_.on_keymap(-1, 0);
    }
  }
}

// The devices emulate; input follows a moment later. KWin 6.3 drops the
// pointer input of the first milliseconds of a new EI device (a burst sent
// at once lost its first clicks, the rest arrived; the keyboard's arrived),
// and a round trip is answered before that ends, so a pause it is; the
// connection is made when the plugin registers, long before input, so it
// costs nothing there.
void EisConnection::CheckReady() {
  if (state_ != State::kConnecting || !pointer_emulating_ ||
      !keyboard_emulating_ || warm_up_source_) {
    return;
  }
  warm_up_source_ = AddTimeout(kWarmUpPauseMs, &EisConnection::OnWarmUpOver);
}

gboolean EisConnection::OnWarmUpOver(gpointer data) {
  auto* self = static_cast<EisConnection*>(data);
  self->warm_up_source_ = 0;
  self->BecomeReady();
  return G_SOURCE_REMOVE;
}

void EisConnection::BecomeReady() {
  if (state_ != State::kConnecting || !pointer_emulating_ ||
      !keyboard_emulating_) {
    return;  // a device went away meanwhile; its return starts over
  }
  RemoveSource(&ready_timeout_);
  state_ = State::kReady;
  if (callbacks_.on_ready) {
    callbacks_.on_ready(true, std::string());
  }
}

void EisConnection::Fail(const std::string& error) {
  TearDown(/*flush=*/false);
  if (callbacks_.on_ready) {
    callbacks_.on_ready(false, error);
  }
}

void EisConnection::Close() {
  if (state_ == State::kReady) {
    // The rest goes out back to back: nothing may wait on the main loop
    // once the owner is going, and the releases among it must still reach
    // the compositor before the connection ends.
    for (const Step& step : steps_) {
      if (step.kind != Step::Kind::kHold) {
        Send(step);
      }
    }
    WaitUntilHandled(kCloseFlushTimeoutMs);
  }
  TearDown(/*flush=*/true);
}

// KWin drops what it has not handled yet of a client that disconnects (a
// button release sent just before the end went missing now and then), so
// the end waits, briefly, for a round trip: its answer comes once KWin has
// handled everything before it. Without libei 1.4's round trip the end
// follows at once.
void EisConnection::WaitUntilHandled(int ms) {
  struct ei_ping* ping = api_->ei_new_ping ? api_->ei_new_ping(ei_) : nullptr;
  if (!ping) {
    return;
  }
  api_->ei_ping(ping);
  const gint64 end = g_get_monotonic_time() + static_cast<gint64>(ms) * 1000;
  bool answered = false;
  for (gint64 now = g_get_monotonic_time(); !answered && now < end;
       now = g_get_monotonic_time()) {
    pollfd entry = {api_->ei_get_fd(ei_), POLLIN, 0};
    poll(&entry, 1, static_cast<int>((end - now + 999) / 1000));
    api_->ei_dispatch(ei_);
    while (struct ei_event* event = api_->ei_get_event(ei_)) {
      const EiEnum type = api_->ei_event_get_type(event);
      answered =
          answered || type == kEventDisconnect ||
          (type == kEventPong && api_->ei_event_pong_get_ping(event) == ping);
      api_->ei_event_unref(event);
    }
  }
  api_->ei_ping_unref(ping);
}

void EisConnection::TearDown(bool flush) {
  if (cancellable_) {
    g_cancellable_cancel(cancellable_);
    g_clear_object(&cancellable_);
  }
  RemoveSource(&fd_source_);
  RemoveSource(&ready_timeout_);
  RemoveSource(&hold_source_);
  RemoveSource(&warm_up_source_);
  const LibeiApi& ei = *api_;
  if (ping_) {
    ei.ei_ping_unref(ping_);
    ping_ = nullptr;
  }
  if (pointer_) {
    ei.ei_device_unref(pointer_);
    pointer_ = nullptr;
  }
  if (keyboard_) {
    ei.ei_device_unref(keyboard_);
    keyboard_ = nullptr;
  }
  if (seat_) {
    ei.ei_seat_unref(seat_);
    seat_ = nullptr;
  }
  if (ei_) {
    // The last reference: libei says goodbye and closes the socket; what
    // was sent before is already on it, in order.
    ei.ei_unref(ei_);
    ei_ = nullptr;
  }
  if (have_cookie_) {
    g_dbus_connection_call(bus_, kKwinName, kEisPath, kEisInterface,
                           "disconnect", g_variant_new("(i)", cookie_), nullptr,
                           G_DBUS_CALL_FLAGS_NONE, kConnectTimeoutMs, nullptr,
                           nullptr, nullptr);
    have_cookie_ = false;
    if (flush) {
      common::FlushWithin(bus_, kCloseFlushTimeoutMs);
    }
  }
  pointer_emulating_ = false;
  keyboard_emulating_ = false;
  regions_.clear();
  steps_.clear();
  holding_ = false;
  state_ = State::kIdle;
}

void EisConnection::Motion(double x, double y) {
  Step step{Step::Kind::kMotion};
  step.x = x;
  step.y = y;
  Push(step);
}

void EisConnection::Button(uint32_t button, bool pressed) {
  Step step{Step::Kind::kButton};
  step.code = button;
  step.pressed = pressed;
  Push(step);
}

void EisConnection::Scroll(int32_t discrete_y) {
  Step step{Step::Kind::kScroll};
  step.steps = discrete_y;
  Push(step);
}

void EisConnection::Key(uint32_t key, bool pressed) {
  Step step{Step::Kind::kKey};
  step.code = key;
  step.pressed = pressed;
  Push(step);
}

void EisConnection::Hold(int ms) {
  Step step{Step::Kind::kHold};
  step.hold_ms = ms;
  Push(step);
}

void EisConnection::Push(const Step& step) {
  if (state_ != State::kReady) {
    return;
  }
  steps_.push_back(step);
  Pump();
}

// Sends queued steps until the queue is empty or reaches a hold.
void EisConnection::Pump() {
  while (state_ == State::kReady && !holding_ && !steps_.empty()) {
    const Step step = steps_.front();
    steps_.pop_front();
    if (step.kind != Step::Kind::kHold) {
      Send(step);
      continue;
    }
    holding_ = true;
    hold_ms_ = step.hold_ms;
    ping_ = api_->ei_new_ping ? api_->ei_new_ping(ei_) : nullptr;
    if (ping_) {
      // The compositor handles a connection's requests in order: its answer
      // means what came before has been handled, and stamped.
      api_->ei_ping(ping_);
      hold_source_ = AddTimeout(kPongTimeoutMs, &EisConnection::OnHoldOver);
    } else {
      StartHoldTimer(hold_ms_ + kStampLagMarginMs);
    }
  }
}

void EisConnection::StartHoldTimer(int ms) {
  hold_source_ = AddTimeout(ms, &EisConnection::OnHoldOver);
}

gboolean EisConnection::OnHoldOver(gpointer data) {
  auto* self = static_cast<EisConnection*>(data);
  self->hold_source_ = 0;
  if (self->ping_) {
    // No answer to the round trip: count the hold from now.
    self->api_->ei_ping_unref(self->ping_);
    self->ping_ = nullptr;
    self->StartHoldTimer(self->hold_ms_);
    return G_SOURCE_REMOVE;
  }
  self->holding_ = false;
  self->Pump();
  return G_SOURCE_REMOVE;
}

void EisConnection::Send(const Step& step) {
  const LibeiApi& ei = *api_;
  const bool key = step.kind == Step::Kind::kKey;
  struct ei_device* device = key ? keyboard_ : pointer_;
  if (!ei_ || !device || !(key ? keyboard_emulating_ : pointer_emulating_)) {
    return;
  }
  switch (step.kind) {
    case Step::Kind::kMotion:
      ei.ei_device_pointer_motion_absolute(device, step.x, step.y);
      break;
    case Step::Kind::kButton:
      ei.ei_device_button_button(device, step.code, step.pressed);
      break;
    case Step::Kind::kScroll:
      ei.ei_device_scroll_discrete(device, 0, step.steps);
      break;
    case Step::Kind::kKey:
      ei.ei_device_keyboard_key(device, step.code, step.pressed);
      break;
    case Step::Kind::kHold:
      return;
  }
  ei.ei_device_frame(device, ei.ei_now(ei_));
}

guint EisConnection::AddTimeout(int ms, GSourceFunc function) {
  GSource* timeout = g_timeout_source_new(static_cast<guint>(ms));
  g_source_set_callback(timeout, function, this, nullptr);
  const guint id = g_source_attach(timeout, context_);
  g_source_unref(timeout);
  return id;
}

void EisConnection::RemoveSource(guint* id) {
  if (*id == 0) {
    return;
  }
  if (GSource* source = g_main_context_find_source_by_id(context_, *id)) {
    g_source_destroy(source);
  }
  *id = 0;
}

}  // namespace eis
}  // namespace quorvel
