// Key methods through the channel against a private Xvfb with the Italian
// layout, beside the bare requests. Every call holds its key for 15 ms, so
// what matters is how far a call's wall time lies above the hold; each call
// is timed on its own and the median of the calls is reported.

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <utility>

#include "bare_requests.h"
#include "bench_support.h"

namespace {

using quorvel::bench::Channel;

// Single calls per figure: enough for a stable median at 15 ms a call.
constexpr int kCalls = 40;
// macOS virtual key code of A.
constexpr int64_t kMacA = 0;

struct Fixture {
  const Channel* channel;
  Display* display;  // ours, not the plugin's
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

void BareFlushedPress(benchmark::State& state,
                      const Fixture* f,
                      KeySym keysym) {
  for (auto _ : state) {
    quorvel::bench::BareFlushedKeyPress(f->display, keysym);
  }
}

void BareNamedPress(benchmark::State& state,
                    const Fixture* f,
                    const char* name) {
  for (auto _ : state) {
    quorvel::bench::BareNamedKeyPress(f->display, name);
  }
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
    Display* display = XOpenDisplay(name);
    if (display != nullptr && XKeysymToKeycode(display, XK_egrave) != 0) {
      const Fixture fixture = {&channel, display};
      const Fixture* f = &fixture;
      FlValue* egrave = fl_value_new_map();
      fl_value_set_string_take(egrave, "char", fl_value_new_string("è"));
      FlValue* letter = fl_value_new_map();
      fl_value_set_string_take(letter, "char", fl_value_new_string("a"));
      g_autoptr(GBytes) press_egrave = channel.Encode("keyboardPress", egrave);
      g_autoptr(GBytes) press_letter = channel.Encode("keyboardPress", letter);
      g_autoptr(GBytes) click = channel.Encode(
          "keyboardClick", quorvel::bench::IntArgs({{"key", kMacA}}));

      Add("keyboardPress è/channel", ThroughChannel, f, press_egrave);
      Add("keyboardPress è/bare", BareFlushedPress, f, KeySym{XK_egrave});
      Add("keyboardPress a/channel", ThroughChannel, f, press_letter);
      Add("keyboardPress a/bare", BareNamedPress, f, "a");
      Add("keyboardClick A/channel", ThroughChannel, f, click);
      Add("keyboardClick A/bare", BareFlushedPress, f, KeySym{XK_a});
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
