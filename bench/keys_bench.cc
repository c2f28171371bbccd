// Key methods through the channel against a private Xvfb with the Italian
// layout, beside the bare requests: how long each call keeps the app's
// thread. The 15 ms hold is the server's (XTest's delay on the release), so
// a call only queues its requests; each call is timed on its own and the
// median and the longest of the calls are reported. A request that waits
// for a reply would wait behind the previous call's hold and show here as
// ~15 ms. The "after" cases time exactly the first call after a layout
// switch and after a character was put on a spare keycode, with holds
// pending.

#include "backend/x11/xlib.h"

#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "bare_requests.h"
#include "bench_support.h"
#include "plugin/method_call_handler.h"

namespace {

using quorvel::bench::Channel;

// Single calls per figure: enough for a median that holds from run to run
// (with 40, the same bare requests timed twice differed by a third).
constexpr int kCalls = 120;
// Calls after a layout switch or a new spare keycode: each needs its own
// setup of about half a second.
constexpr int kFirstCalls = 8;
// Untimed key calls before a layout switch: their holds (15 ms each) are
// still pending on the server when the timed call comes, as when an app
// types fast. A round trip in the timed call would wait behind them.
constexpr int kPendingHolds = 24;
// Timed calls come in bursts of this many, back to back as an app types;
// between bursts an untimed pause lets the holds run out. The server takes
// one request of the connection per hold (15 ms), and once about 80 key
// calls are waiting the socket is full and the next call waits for the
// server to take one: the bursts stay far from that.
constexpr int kBurst = 20;
constexpr useconds_t kBetweenBurstsUs = kBurst * 15000 + 50000;
// Long enough for every hold to have run out and a spare keycode to be
// free again.
constexpr useconds_t kSettleUs = 500000;
// macOS virtual key codes of A, Shift and Command.
constexpr int64_t kMacA = 0;
constexpr uint32_t kMacShift = 56;
constexpr uint32_t kMacCommand = 55;

const std::string kEgrave = "è";
const std::string kLetter = "a";
const std::string kCapital = "A";

struct Fixture {
  const Channel* channel;
  quorvel::Backend* backend;  // a second plugin backend, for the dispatcher
  Display* display;           // ours, not the plugin's
};

void Pace(benchmark::State& state) {
  static int calls = 0;
  if (++calls % kBurst == 0) {
    state.PauseTiming();
    usleep(kBetweenBurstsUs);
    state.ResumeTiming();
  }
}

void ThroughChannel(benchmark::State& state,
                    const Fixture* f,
                    GBytes* message) {
  for (auto _ : state) {
    if (!f->channel->Call(message)) {
      state.SkipWithError("the call did not succeed");
      break;
    }
    Pace(state);
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
    Pace(state);
  }
}

FlValue* Text(const char* text) {
  FlValue* args = fl_value_new_map();
  fl_value_set_string_take(args, "char", fl_value_new_string(text));
  return args;
}

// The Backend operation the dispatcher calls, called directly.
void BackendType(benchmark::State& state,
                 const Fixture* f,
                 const std::string* text) {
  for (auto _ : state) {
    benchmark::DoNotOptimize(f->backend->TypeText(*text));
    Pace(state);
  }
}

void BackendKey(benchmark::State& state,
                const Fixture* f,
                const std::vector<uint32_t>& modifiers) {
  for (auto _ : state) {
    if (modifiers.empty()) {
      f->backend->KeyPress(kMacA);
    } else {
      f->backend->KeyPressWithModifiers(kMacA, modifiers);
    }
    Pace(state);
  }
}

// The first call after the keyboard layout changed, with holds pending:
// the plugin reads the new map and builds its tables in this call.
void AfterLayoutSwitch(benchmark::State& state,
                       const Fixture* f,
                       GBytes* pending,
                       GBytes* timed) {
  static bool nodeadkeys = false;
  for (auto _ : state) {
    state.PauseTiming();
    usleep(kSettleUs);
    for (int i = 0; i < kPendingHolds; ++i) {
      f->channel->Call(pending);
    }
    nodeadkeys = !nodeadkeys;
    const int status = quorvel::bench::RunProcess(
        {"setxkbmap", "it", "-variant", nodeadkeys ? "nodeadkeys" : "basic"});
    state.ResumeTiming();
    if (status != 0 || !f->channel->Call(timed)) {
      state.SkipWithError("setxkbmap or the call failed");
      break;
    }
  }
}

// The first call after a character was typed on a spare keycode, while its
// hold is pending and the server's notice of the new mapping has come.
void AfterSpareMapped(benchmark::State& state,
                      const Fixture* f,
                      GBytes* timed) {
  // Letters the Italian layout has no key for, a new one each time.
  static const char* const kLetters[] = {"ж", "з", "и", "й", "к", "л",
                                         "м", "н", "о", "п", "р", "с"};
  static size_t next = 0;
  for (auto _ : state) {
    state.PauseTiming();
    usleep(kSettleUs);
    g_autoptr(FlValue) args = Text(kLetters[next++ % G_N_ELEMENTS(kLetters)]);
    g_autoptr(GBytes) spare =
        f->channel->Encode("keyboardPress", fl_value_ref(args));
    const bool typed = f->channel->Call(spare);
    XSync(f->display, False);  // the server has carried out the mapping
    state.ResumeTiming();
    if (!typed || !f->channel->Call(timed)) {
      state.SkipWithError("a call failed");
      break;
    }
  }
}

// The response object alone, paced as the key calls are: the part of a key
// call's handler time that is the embedding's, in the same state of the
// caches as the calls it is taken from.
void ResponseAlone(benchmark::State& state, quorvel::bench::MakeValue make) {
  for (auto _ : state) {
    benchmark::DoNotOptimize(quorvel::bench::MakeAndReleaseResponse(make, 0));
    Pace(state);
  }
}

void BareTap(benchmark::State& state,
             const Fixture* f,
             KeySym keysym,
             KeySym modifier) {
  for (auto _ : state) {
    quorvel::bench::BareKeyTap(f->display, keysym, modifier);
    Pace(state);
  }
}

double Max(const std::vector<double>& values) {
  return values.empty() ? 0 : *std::max_element(values.begin(), values.end());
}

template <class... Args>
void AddCalls(int calls, const char* name, Args&&... args) {
  benchmark::RegisterBenchmark(name, std::forward<Args>(args)...)
      ->UseRealTime()
      ->Unit(benchmark::kMillisecond)
      ->Iterations(1)
      ->Repetitions(calls)
      ->ComputeStatistics("max", Max);
}

template <class... Args>
void Add(const char* name, Args&&... args) {
  AddCalls(kCalls, name, std::forward<Args>(args)...);
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
      Add("keyboardPress è/backend", BackendType, f, &kEgrave);
      Add("keyboardPress è/bare", BareTap, f, KeySym{XK_egrave}, none);
      Add("keyboardPress a/channel", ThroughChannel, f, press_letter);
      Add("keyboardPress a/handler", ThroughHandler, f, "keyboardPress",
          letter);
      Add("keyboardPress a/backend", BackendType, f, &kLetter);
      Add("keyboardPress a/bare", BareTap, f, KeySym{XK_a}, none);
      Add("keyboardPress A/channel", ThroughChannel, f, press_capital);
      Add("keyboardPress A/handler", ThroughHandler, f, "keyboardPress",
          capital);
      Add("keyboardPress A/backend", BackendType, f, &kCapital);
      Add("keyboardPress A/bare", BareTap, f, KeySym{XK_a}, KeySym{XK_Shift_L});
      Add("keyboardClick A/channel", ThroughChannel, f, click);
      Add("keyboardClick A/handler", ThroughHandler, f, "keyboardClick", key);
      Add("keyboardClick A/backend", BackendKey, f, std::vector<uint32_t>{});
      Add("keyboardClick A/bare", BareTap, f, KeySym{XK_a}, none);
      Add("keyboardClickShiftPressed A/channel", ThroughChannel, f,
          click_shift);
      Add("keyboardClickShiftPressed A/backend", BackendKey, f,
          std::vector<uint32_t>{kMacShift});
      Add("keyboardClickShiftPressed A/bare", BareTap, f, KeySym{XK_a},
          KeySym{XK_Shift_L});
      Add("keyboardClickCommandPressed A/channel", ThroughChannel, f,
          click_command);
      Add("keyboardClickCommandPressed A/backend", BackendKey, f,
          std::vector<uint32_t>{kMacCommand});
      Add("keyboardClickCommandPressed A/bare", BareTap, f, KeySym{XK_a},
          KeySym{XK_Super_L});
      Add("response bool/paced", ResponseAlone,
          quorvel::bench::ResponseValue("response-bool"));
      Add("response null/paced", ResponseAlone,
          quorvel::bench::ResponseValue("response"));
      AddCalls(kFirstCalls, "keyboardPress a after layout switch/channel",
               AfterLayoutSwitch, f, click, press_letter);
      AddCalls(kFirstCalls, "keyboardClick A after layout switch/channel",
               AfterLayoutSwitch, f, click, click);
      AddCalls(kFirstCalls, "keyboardPress a after spare mapped/channel",
               AfterSpareMapped, f, press_letter);
      AddCalls(kFirstCalls, "keyboardClick A after spare mapped/channel",
               AfterSpareMapped, f, click);
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
