// Key methods through the channel against a private Xvfb with the Italian
// layout, beside the bare requests: how long each call keeps the app's
// thread. The 15 ms hold is the server's (XTest's delay on the release), so
// a call only queues its requests; each call is timed on its own and the
// median of the calls is reported. A request that waits for a reply would
// wait behind the previous call's hold and show here as ~15 ms.

#include "backend/x11/xlib.h"

#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <utility>

#include "bare_requests.h"
#include "bench_support.h"
#include "plugin/method_call_handler.h"

namespace {

using quorvel::bench::Channel;

// Single calls per figure: enough for a stable median.
constexpr int kCalls = 40;
// macOS virtual key code of A.
constexpr int64_t kMacA = 0;

struct Fixture {
  const Channel* channel;
  quorvel::Backend* backend;  // a second plugin backend, for the dispatcher
  Display* display;           // ours, not the plugin's
};

void ThroughChannel(benchmark::State& state,
                    const Fixture* f,
                    GBytes* message) {
  for (auto _ : state) {
    if (!f->channel->Call(message)) {
      state.SkipWithError("the call did not succeed");
      break;
    }
  }
}

// The dispatcher alone on decoded arguments: the plugin's own share.
void ThroughHandler(benchmark::State& state,
                    const Fixture* f,
                    const char* method,
                    FlValue* args) {
  for (auto _ : state) {
    g_autoptr(FlMethodResponse) response =
        quorvel::HandleMethodCall(*f->backend, method, args);
    if (!FL_IS_METHOD_SUCCESS_RESPONSE(response)) {
      state.SkipWithError("the call did not succeed");
      break;
    }
  }
}

void BareTap(benchmark::State& state,
             const Fixture* f,
             KeySym keysym,
             KeySym modifier) {
  for (auto _ : state) {
    quorvel::bench::BareKeyTap(f->display, keysym, modifier);
  }
}

FlValue* Text(const char* text) {
  FlValue* args = fl_value_new_map();
  fl_value_set_string_take(args, "char", fl_value_new_string(text));
  return args;
}

template <class... Args>
void Add(const char* name, Args&&... args) {
  benchmark::RegisterBenchmark(name, std::forward<Args>(args)...)
      ->UseRealTime()
      ->Unit(benchmark::kMillisecond)
      ->Iterations(1)
      ->Repetitions(kCalls);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
    return 1;
  }
  std::unique_ptr<quorvel::bench::Xvfb> server = quorvel::bench::Xvfb::Start();
  if (!server) {
    fprintf(stderr, "Xvfb did not start\n");
    return 1;
  }
  const char* name = server->display_name().c_str();
  setenv("DISPLAY", name, 1);
  // Before anyone connects: a connection keeps the keymap it was opened with.
  if (quorvel::bench::RunProcess({"setxkbmap", "it"}) != 0) {
    fprintf(stderr, "setxkbmap it failed\n");
    return 1;
  }

  int status = 1;
  {
    Channel channel;
    std::unique_ptr<quorvel::Backend> backend = quorvel::CreateBackend();
    Display* display = XOpenDisplay(name);
    if (display != nullptr && XKeysymToKeycode(display, XK_egrave) != 0) {
      const Fixture fixture = {&channel, backend.get(), display};
      const Fixture* f = &fixture;
      g_autoptr(FlValue) egrave = Text("è");
      g_autoptr(FlValue) letter = Text("a");
      g_autoptr(FlValue) capital = Text("A");
      g_autoptr(FlValue) key = quorvel::bench::IntArgs({{"key", kMacA}});
      g_autoptr(GBytes) press_egrave =
          channel.Encode("keyboardPress", fl_value_ref(egrave));
      g_autoptr(GBytes) press_letter =
          channel.Encode("keyboardPress", fl_value_ref(letter));
      g_autoptr(GBytes) press_capital =
          channel.Encode("keyboardPress", fl_value_ref(capital));
      g_autoptr(GBytes) click =
          channel.Encode("keyboardClick", fl_value_ref(key));
      g_autoptr(GBytes) click_shift =
          channel.Encode("keyboardClickShiftPressed", fl_value_ref(key));
      g_autoptr(GBytes) click_command =
          channel.Encode("keyboardClickCommandPressed", fl_value_ref(key));
      const KeySym none = 0;

      Add("keyboardPress è/channel", ThroughChannel, f, press_egrave);
      Add("keyboardPress è/handler", ThroughHandler, f, "keyboardPress",
          egrave);
      Add("keyboardPress è/bare", BareTap, f, KeySym{XK_egrave}, none);
      Add("keyboardPress a/channel", ThroughChannel, f, press_letter);
      Add("keyboardPress a/handler", ThroughHandler, f, "keyboardPress",
          letter);
      Add("keyboardPress a/bare", BareTap, f, KeySym{XK_a}, none);
      Add("keyboardPress A/channel", ThroughChannel, f, press_capital);
      Add("keyboardPress A/handler", ThroughHandler, f, "keyboardPress",
          capital);
      Add("keyboardPress A/bare", BareTap, f, KeySym{XK_a}, KeySym{XK_Shift_L});
      Add("keyboardClick A/channel", ThroughChannel, f, click);
      Add("keyboardClick A/handler", ThroughHandler, f, "keyboardClick", key);
      Add("keyboardClick A/bare", BareTap, f, KeySym{XK_a}, none);
      Add("keyboardClickShiftPressed A/channel", ThroughChannel, f,
          click_shift);
      Add("keyboardClickShiftPressed A/bare", BareTap, f, KeySym{XK_a},
          KeySym{XK_Shift_L});
      Add("keyboardClickCommandPressed A/channel", ThroughChannel, f,
          click_command);
      Add("keyboardClickCommandPressed A/bare", BareTap, f, KeySym{XK_a},
          KeySym{XK_Super_L});
      benchmark::RunSpecifiedBenchmarks();
      status = 0;
    } else {
      fprintf(stderr, "no Italian keymap on %s\n", name);
    }
    if (display != nullptr) {
      XCloseDisplay(display);
    }
  }
  benchmark::Shutdown();
  return status;
}
