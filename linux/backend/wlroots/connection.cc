#include "backend/wlroots/connection.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "virtual-keyboard-unstable-v1-client-protocol.h"
#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"
#include "xdg-output-unstable-v1-client-protocol.h"

namespace quorvel {
namespace wlroots {
namespace {

// Version 2 can tie a pointer to one output; this backend needs only 1.
constexpr uint32_t kPointerManagerVersion = 1;
constexpr uint32_t kKeyboardManagerVersion = 1;
constexpr uint32_t kXdgOutputManagerVersion = 3;

gint64 NowMs() {
  return g_get_monotonic_time() / 1000;
}

void OnSyncDone(void* data, wl_callback* callback, uint32_t /*serial*/) {
  *static_cast<bool*>(data) = true;
  wl_callback_destroy(callback);
}
const wl_callback_listener kSyncListener = {OnSyncDone};

}  // namespace

// The GSource that serves the connection: libwayland's prepare_read /
// read_events protocol around the main loop's poll of the socket.
struct Connection::Source {
  GSource base;
  Connection* connection;
  gpointer tag;
  bool reading;
};

GSourceFuncs Connection::source_funcs_ = {
    // prepare: flush what the app sent, and poll only with nothing queued.
    [](GSource* base, gint* timeout) -> gboolean {
      auto* source = reinterpret_cast<Source*>(base);
      wl_display* display = source->connection->display_;
      *timeout = -1;
      if (source->connection->failed()) {
        return TRUE;
      }
      if (wl_display_prepare_read(display) != 0) {
        return TRUE;  // events already queued: dispatch them first
      }
      source->reading = true;
      if (!source->connection->SendBuffered()) {
        wl_display_cancel_read(display);
        source->reading = false;
        return TRUE;  // dispatch reports the failure
      }
      return FALSE;
    },
    // check: read what arrived, or give the read up.
    [](GSource* base) -> gboolean {
      auto* source = reinterpret_cast<Source*>(base);
      if (!source->reading) {
        return TRUE;
      }
      source->reading = false;
      wl_display* display = source->connection->display_;
      const GIOCondition events = g_source_query_unix_fd(base, source->tag);
      // On a hang-up the read finds the end of the stream and fails the
      // display, so dispatch reports it.
      if (events & (G_IO_IN | G_IO_ERR | G_IO_HUP)) {
        wl_display_read_events(display);
        return TRUE;
      }
      wl_display_cancel_read(display);
      return FALSE;
    },
    // dispatch
    [](GSource* base, GSourceFunc, gpointer) -> gboolean {
      Connection* connection = reinterpret_cast<Source*>(base)->connection;
      if (!connection->failed()) {
        wl_display_dispatch_pending(connection->display_);
      }
      if (connection->failed()) {
        connection->ReportFailure();
        return G_SOURCE_REMOVE;
      }
      return G_SOURCE_CONTINUE;
    },
    nullptr,  // finalize
    nullptr,
    nullptr,
};

const wl_registry_listener Connection::kRegistryListener = {
    [](void* data,
       wl_registry* registry,
       uint32_t global,
       const char* interface,
       uint32_t version) {
      auto* self = static_cast<Connection*>(data);
      if (strcmp(interface, wl_seat_interface.name) == 0 && !self->seat_) {
        self->seat_ = std::make_unique<Seat>(registry, global, version);
      } else if (strcmp(interface, wl_output_interface.name) == 0) {
        self->outputs_->Add(registry, global, version);
      } else if (strcmp(interface, zxdg_output_manager_v1_interface.name) ==
                 0) {
        self->outputs_->SetManager(
            static_cast<zxdg_output_manager_v1*>(wl_registry_bind(
                registry, global, &zxdg_output_manager_v1_interface,
                std::min(version, kXdgOutputManagerVersion))));
      } else if (strcmp(interface,
                        zwlr_virtual_pointer_manager_v1_interface.name) == 0 &&
                 !self->pointer_manager_) {
        self->pointer_manager_ =
            static_cast<zwlr_virtual_pointer_manager_v1*>(wl_registry_bind(
                registry, global, &zwlr_virtual_pointer_manager_v1_interface,
                kPointerManagerVersion));
      } else if (strcmp(interface,
                        zwp_virtual_keyboard_manager_v1_interface.name) == 0 &&
                 !self->keyboard_manager_) {
        self->keyboard_manager_ =
            static_cast<zwp_virtual_keyboard_manager_v1*>(wl_registry_bind(
                registry, global, &zwp_virtual_keyboard_manager_v1_interface,
                kKeyboardManagerVersion));
      }
    },
    [](void* data, wl_registry*, uint32_t global) {
      static_cast<Connection*>(data)->outputs_->Remove(global);
    },
};

std::unique_ptr<Connection> Connection::Open(int timeout_ms, std::string* why) {
  wl_display* display = wl_display_connect(nullptr);
  if (!display) {
    *why = std::string("no Wayland compositor to connect to (") +
           strerror(errno) + ")";
    return nullptr;
  }
  std::unique_ptr<Connection> connection(new Connection(display));
  const gint64 deadline = NowMs() + timeout_ms;
  // The globals, then what binding them sent (outputs' geometry, the
  // seat's capabilities), then the keymap of the keyboard we asked for.
  for (int round = 0; round < 3; round++) {
    if (!connection->Roundtrip(
            static_cast<int>(std::max<gint64>(deadline - NowMs(), 0)))) {
      *why = connection->failed() ? "the compositor ended the connection"
                                  : "the compositor did not answer in time";
      return nullptr;
    }
  }
  if (!connection->pointer_manager_ || !connection->keyboard_manager_ ||
      !connection->seat_) {
    *why = std::string("the compositor offers no ") +
           (!connection->pointer_manager_    ? "zwlr_virtual_pointer_manager_v1"
            : !connection->keyboard_manager_ ? "zwp_virtual_keyboard_manager_v1"
                                             : "wl_seat");
    return nullptr;
  }
  return connection;
}

Connection::Connection(wl_display* display)
    : display_(display), registry_(wl_display_get_registry(display)) {
  wl_registry_add_listener(registry_, &kRegistryListener, this);
}

Connection::~Connection() {
  if (source_) {
    g_source_destroy(source_);
    g_source_unref(source_);
  }
  if (pointer_manager_) {
    zwlr_virtual_pointer_manager_v1_destroy(pointer_manager_);
  }
  if (keyboard_manager_) {
    // Version 1 of the manager has no destructor request: this only
    // forgets the proxy.
    zwp_virtual_keyboard_manager_v1_destroy(keyboard_manager_);
  }
  seat_.reset();
  outputs_.reset();
  wl_registry_destroy(registry_);
  wl_display_flush(display_);
  wl_display_disconnect(display_);
}

void Connection::Serve(std::function<void()> on_lost) {
  on_lost_ = std::move(on_lost);
  source_ = g_source_new(&source_funcs_, sizeof(Source));
  auto* source = reinterpret_cast<Source*>(source_);
  source->connection = this;
  source->reading = false;
  source->tag = g_source_add_unix_fd(
      source_, wl_display_get_fd(display_),
      static_cast<GIOCondition>(G_IO_IN | G_IO_ERR | G_IO_HUP));
  g_source_set_name(source_, "quorvel wayland connection");
  g_source_attach(source_, g_main_context_get_thread_default());
}

bool Connection::failed() const {
  return cannot_send_ || wl_display_get_error(display_) != 0;
}

bool Connection::Flush() {
  return !failed() && SendBuffered() && !failed();
}

bool Connection::SendBuffered() {
  // EAGAIN: the socket is full; the main loop's next prepare sends the
  // rest. Any other error (EPIPE: the compositor is gone) does not fail the
  // display, and the unsent requests stay buffered: remember it, or every
  // later flush would fail the same way and nothing would notice.
  if (wl_display_flush(display_) < 0 && errno != EAGAIN) {
    cannot_send_ = true;
  }
  return !cannot_send_;
}

bool Connection::Roundtrip(int timeout_ms) {
  bool done = false;
  wl_callback* callback = wl_display_sync(display_);
  wl_callback_add_listener(callback, &kSyncListener, &done);
  const gint64 deadline = NowMs() + timeout_ms;
  while (!done && !failed()) {
    if (wl_display_dispatch_pending(display_) < 0 || done) {
      break;
    }
    const gint64 left = deadline - NowMs();
    if (left <= 0 || !ReadFor(static_cast<int>(left))) {
      break;
    }
  }
  if (!done) {
    // A late answer must not write to `done` after this returns.
    wl_callback_destroy(callback);
  }
  return done;
}

bool Connection::ReadFor(int timeout_ms) {
  if (wl_display_prepare_read(display_) != 0) {
    return true;  // something is queued already
  }
  if (!SendBuffered()) {
    wl_display_cancel_read(display_);
    return false;
  }
  pollfd entry = {wl_display_get_fd(display_), POLLIN, 0};
  int ready;
  do {
    ready = poll(&entry, 1, timeout_ms);
  } while (ready < 0 && errno == EINTR);
  if (ready <= 0) {
    wl_display_cancel_read(display_);
    return false;
  }
  return wl_display_read_events(display_) == 0;
}

void Connection::ReportFailure() {
  if (reported_) {
    return;
  }
  reported_ = true;
  // The callback usually destroys this connection, and with it on_lost_:
  // it runs from a copy, and nothing here is touched after it.
  const std::function<void()> on_lost = on_lost_;
  if (on_lost) {
    on_lost();
  }
}

}  // namespace wlroots
}  // namespace quorvel
