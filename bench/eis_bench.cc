// The app-thread time of the pointer and key methods on the EIS backend,
// through the channel, against a private headless KWin 6.3 (the session the
// EIS tests start; run inside the Debian 13 root, see README.md), beside
// the bare libei calls each method makes on the app's thread, sent on an EI
// connection of the benchmark's own. The main loop runs untimed between
// iterations: there the held keys are released and KWin's answers read.

#include <benchmark/benchmark.h>
#include <gio/gunixfdlist.h>
#include <linux/input-event-codes.h>
#include <poll.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "backend/eis/libei_api.h"
#include "bench_support.h"
#include "support/wayland_session.h"

namespace {

using quorvel::bench::Channel;
using quorvel::eis::LibeiApi;
using quorvel::testing::WaylandSession;

const Channel* g_channel = nullptr;

void DrainMainLoop() {
  while (g_main_context_iteration(nullptr, FALSE)) {
  }
}

// An EI sender of the benchmark's own on KWin's endpoint, made
// synchronously: the floor the plugin's calls are compared with.
class BareEi {
 public:
  static std::unique_ptr<BareEi> Connect(const std::string& bus_address,
                                         std::string* error) {
    const LibeiApi* api = quorvel::eis::LoadLibei(error);
    if (!api) {
      return nullptr;
    }
    std::unique_ptr<BareEi> bare(new BareEi(api));
    // Kept for the connection's life: KWin ends an EI connection when the
    // bus client that asked for it goes.
    bare->bus_ = g_dbus_connection_new_for_address_sync(
        bus_address.c_str(),
        static_cast<GDBusConnectionFlags>(
            G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
            G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, nullptr);
    g_autoptr(GUnixFDList) fds = nullptr;
    GDBusConnection* bus = bare->bus_;
    g_autoptr(GVariant) reply =
        bus ? g_dbus_connection_call_with_unix_fd_list_sync(
                  bus, "org.kde.KWin", "/org/kde/KWin/EIS/RemoteDesktop",
                  "org.kde.KWin.EIS.RemoteDesktop", "connectToEIS",
                  g_variant_new("(i)", 3), G_VARIANT_TYPE("(hi)"),
                  G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, &fds, nullptr, nullptr)
            : nullptr;
    if (!reply) {
      *error = "connectToEIS failed";
      return nullptr;
    }
    gint32 handle = -1;
    gint32 cookie = 0;
    g_variant_get(reply, "(hi)", &handle, &cookie);
    bare->ei_ = api->ei_new_sender(nullptr);
    if (api->ei_setup_backend_fd(
            bare->ei_, g_unix_fd_list_get(fds, handle, nullptr)) < 0) {
      *error = "EI setup failed";
      return nullptr;
    }
    const gint64 end = g_get_monotonic_time() + gint64{5} * G_USEC_PER_SEC;
    while (!(bare->pointer_ && bare->keyboard_) &&
           g_get_monotonic_time() < end) {
      bare->Dispatch(20);
    }
    if (!bare->pointer_ || !bare->keyboard_) {
      *error = "no devices";
      return nullptr;
    }
    return bare;
  }

  ~BareEi() {
    for (struct ei_device* device : {pointer_, keyboard_}) {
      if (device) {
        api_->ei_device_unref(device);
      }
    }
    if (ei_) {
      api_->ei_unref(ei_);
    }
    if (bus_) {
      g_dbus_connection_close_sync(bus_, nullptr, nullptr);
      g_object_unref(bus_);
    }
  }

  bool connected() const { return connected_; }

  // Reads what KWin sent: resumed devices start emulating, answers to
  // round trips are dropped.
  void Dispatch(int timeout_ms) {
    pollfd entry = {api_->ei_get_fd(ei_), POLLIN, 0};
    poll(&entry, 1, timeout_ms);
    api_->ei_dispatch(ei_);
    while (struct ei_event* event = api_->ei_get_event(ei_)) {
      struct ei_device* device = api_->ei_event_get_device(event);
      switch (api_->ei_event_get_type(event)) {
        case quorvel::eis::kEventSeatAdded:
          api_->ei_seat_bind_capabilities(
              api_->ei_event_get_seat(event), quorvel::eis::kCapPointerAbsolute,
              quorvel::eis::kCapButton, quorvel::eis::kCapScroll,
              quorvel::eis::kCapKeyboard, nullptr);
          break;
        case quorvel::eis::kEventDeviceResumed:
          api_->ei_device_start_emulating(device, ++sequence_);
          if (!pointer_ && api_->ei_device_has_capability(
                               device, quorvel::eis::kCapPointerAbsolute)) {
            pointer_ = api_->ei_device_ref(device);
          }
          if (!keyboard_ && api_->ei_device_has_capability(
                                device, quorvel::eis::kCapKeyboard)) {
            keyboard_ = api_->ei_device_ref(device);
          }
          break;
        case quorvel::eis::kEventDisconnect:
          connected_ = false;
          break;
        case quorvel::eis::kEventPong:
          api_->ei_ping_unref(api_->ei_event_pong_get_ping(event));
          break;
        default:
          break;
      }
      api_->ei_event_unref(event);
    }
  }

  void Motion(double x, double y) {
    api_->ei_device_pointer_motion_absolute(pointer_, x, y);
    api_->ei_device_frame(pointer_, api_->ei_now(ei_));
  }
  void Key(uint32_t code, bool pressed) {
    api_->ei_device_keyboard_key(keyboard_, code, pressed);
    api_->ei_device_frame(keyboard_, api_->ei_now(ei_));
  }
  // The round trip the backend asks for before a key's hold (libei 1.4).
  void Ping() {
    if (api_->ei_new_ping) {
      api_->ei_ping(api_->ei_new_ping(ei_));
    }
  }

 private:
  explicit BareEi(const LibeiApi* api) : api_(api) {}

  const LibeiApi* api_;
  GDBusConnection* bus_ = nullptr;
  struct ei* ei_ = nullptr;
  struct ei_device* pointer_ = nullptr;
  struct ei_device* keyboard_ = nullptr;
  uint32_t sequence_ = 0;
  bool connected_ = true;
};

BareEi* g_bare = nullptr;

// Untimed after each call: long enough for a key's round trip and hold to
// end and its release to go out.
constexpr int kKeyPauseMs = 25;
constexpr int kMotionPauseMs = 2;
// Fixed counts: the timed part is microseconds, the pause is not.
constexpr int kMotionCalls = 400;
constexpr int kKeyCalls = 80;

void Run(benchmark::State& state, GBytes* first, GBytes* second, int pause_ms) {
  size_t i = 0;
  for (auto _ : state) {
    if (!g_channel->Call(i++ % 2 == 0 ? first : second)) {
      state.SkipWithError("the call did not succeed");
      break;
    }
    state.PauseTiming();
    if (pause_ms > 0) {
      WaylandSession::RunUntil([] { return false; }, pause_ms);
    }
    DrainMainLoop();
    state.ResumeTiming();
  }
  g_bytes_unref(first);
  g_bytes_unref(second);
}

// The bare twin: `send` on the app's thread, then, untimed, the same pause
// and `after` (the releases the backend sends after the hold).
template <typename Send, typename After>
void RunBare(benchmark::State& state, int pause_ms, Send send, After after) {
  size_t i = 0;
  for (auto _ : state) {
    if (!g_bare->connected()) {
      state.SkipWithError("KWin ended the benchmark's EI connection");
      break;
    }
    const bool first = i++ % 2 == 0;
    send(first);
    state.PauseTiming();
    if (pause_ms > 0) {
      g_usleep(static_cast<gulong>(pause_ms) * 1000);
    }
    after(first);
    g_bare->Dispatch(0);
    state.ResumeTiming();
  }
}

template <typename Send>
void RunBare(benchmark::State& state, Send send) {
  RunBare(state, kMotionPauseMs, send, [](bool) {});
}

FlValue* Point(int x, int y) {
  FlValue* args = fl_value_new_map();
  fl_value_set_string_take(args, "x", fl_value_new_int(x));
  fl_value_set_string_take(args, "y", fl_value_new_int(y));
  return args;
}

FlValue* Key(int key) {
  FlValue* args = fl_value_new_map();
  fl_value_set_string_take(args, "key", fl_value_new_int(key));
  return args;
}

FlValue* Char(const char* text) {
  FlValue* args = fl_value_new_map();
  fl_value_set_string_take(args, "char", fl_value_new_string(text));
  return args;
}

// The channel's own cost under the same pauses: a call that does no
// backend work.
void BM_ChannelOnly(benchmark::State& state) {
  Run(state, g_channel->Encode("getPlatformThemePointer", nullptr),
      g_channel->Encode("getPlatformThemePointer", nullptr), kMotionPauseMs);
}

// Two points on one output: one motion each.
void BM_EisMoveMouse(benchmark::State& state) {
  Run(state, g_channel->Encode("moveMouse", Point(100, 200)),
      g_channel->Encode("moveMouse", Point(900, 400)), kMotionPauseMs);
}
void BM_BareMotion(benchmark::State& state) {
  RunBare(state, [](bool first) {
    g_bare->Motion(first ? 100 : 900, first ? 200 : 400);
  });
}

// Back to back, as a remote pointer streams its moves: warm caches, the main
// loop (KWin's answers) drained untimed after each call.
void BM_EisMoveMouseBackToBack(benchmark::State& state) {
  Run(state, g_channel->Encode("moveMouse", Point(100, 200)),
      g_channel->Encode("moveMouse", Point(900, 400)), 0);
}
void BM_BareMotionBackToBack(benchmark::State& state) {
  RunBare(
      state, 0,
      [](bool first) { g_bare->Motion(first ? 100 : 900, first ? 200 : 400); },
      [](bool) {});
}

// Across the outputs: a motion through the middle of the other one first.
void BM_EisMoveMouseAcrossOutputs(benchmark::State& state) {
  Run(state, g_channel->Encode("moveMouse", Point(100, 200)),
      g_channel->Encode("moveMouse", Point(1500, 400)), kMotionPauseMs);
}
void BM_BareMotionAcrossOutputs(benchmark::State& state) {
  RunBare(state, [](bool first) {
    g_bare->Motion(first ? 640 : 1920, 512);
    g_bare->Motion(first ? 100 : 1500, first ? 200 : 400);
  });
}

// kVK_Shift: types nothing. The press goes out; the release after the
// hold, on the main loop.
void BM_EisKeyboardClick(benchmark::State& state) {
  Run(state, g_channel->Encode("keyboardClick", Key(0x38)),
      g_channel->Encode("keyboardClick", Key(0x38)), kKeyPauseMs);
}
void BM_BareKeyPress(benchmark::State& state) {
  RunBare(
      state, kKeyPauseMs,
      [](bool) {
        g_bare->Key(KEY_LEFTSHIFT, true);
        g_bare->Ping();
      },
      [](bool) { g_bare->Key(KEY_LEFTSHIFT, false); });
}

// "a" and "A" alternately: the chord is looked up on the keymap, "A" adds
// Shift.
void BM_EisKeyboardPress(benchmark::State& state) {
  Run(state, g_channel->Encode("keyboardPress", Char("a")),
      g_channel->Encode("keyboardPress", Char("A")), kKeyPauseMs);
}
void BM_BareCharacterPress(benchmark::State& state) {
  RunBare(
      state, kKeyPauseMs,
      [](bool first) {
        if (!first) {
          g_bare->Key(KEY_LEFTSHIFT, true);
        }
        g_bare->Key(KEY_A, true);
        g_bare->Ping();
      },
      [](bool first) {
        g_bare->Key(KEY_A, false);
        if (!first) {
          g_bare->Key(KEY_LEFTSHIFT, false);
        }
      });
}

BENCHMARK(BM_ChannelOnly)->Iterations(kMotionCalls);
BENCHMARK(BM_EisMoveMouse)->Iterations(kMotionCalls);
BENCHMARK(BM_BareMotion)->Iterations(kMotionCalls);
BENCHMARK(BM_EisMoveMouseBackToBack);
BENCHMARK(BM_BareMotionBackToBack);
BENCHMARK(BM_EisMoveMouseAcrossOutputs)->Iterations(kMotionCalls);
BENCHMARK(BM_BareMotionAcrossOutputs)->Iterations(kMotionCalls);
BENCHMARK(BM_EisKeyboardClick)->Iterations(kKeyCalls);
BENCHMARK(BM_BareKeyPress)->Iterations(kKeyCalls);
BENCHMARK(BM_EisKeyboardPress)->Iterations(kKeyCalls);
BENCHMARK(BM_BareCharacterPress)->Iterations(kKeyCalls);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  WaylandSession::Options options;
  options.compositor = quorvel::testing::Compositor::kKwin;
  options.window = false;
  std::string error;
  std::unique_ptr<WaylandSession> session =
      WaylandSession::Start(options, &error);
  if (!session) {
    fprintf(stderr, "eis_bench: no KWin session: %s\n", error.c_str());
    return 1;
  }
  setenv("XDG_SESSION_TYPE", "wayland", 1);
  setenv("DBUS_SESSION_BUS_ADDRESS", session->session_bus_address().c_str(), 1);
  setenv("DBUS_SYSTEM_BUS_ADDRESS", session->system_bus_address().c_str(), 1);
  unsetenv("DISPLAY");
  std::unique_ptr<BareEi> bare =
      BareEi::Connect(session->session_bus_address(), &error);
  if (!bare) {
    fprintf(stderr, "eis_bench: no EI connection of its own: %s\n",
            error.c_str());
    return 1;
  }
  g_bare = bare.get();
  {
    Channel channel;
    g_channel = &channel;
    // The connection is made at registration; that one-time cost is left
    // out.
    WaylandSession::RunUntil([] { return false; }, 1000);
    benchmark::RunSpecifiedBenchmarks();
    g_channel = nullptr;
  }
  if (!bare->connected()) {
    fprintf(stderr, "eis_bench: KWin ended the connection; its log:\n%s\n",
            session->Log("kwin.log").c_str());
  }
  g_bare = nullptr;
  benchmark::Shutdown();
  return 0;
}
