// Pointer methods through the channel against a private Xvfb, each beside
// the bare Xlib requests the plugin sends for it, made on a connection of our
// own; and the tools people use instead of the plugin.

#include "backend/x11/xlib.h"

#include <benchmark/benchmark.h>

extern "C" {
#include <xdo.h>
}

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <utility>
#include <vector>

#include "bare_requests.h"
#include "bench_support.h"
#include "plugin/method_call_handler.h"

namespace {

using quorvel::bench::Channel;
using quorvel::bench::IntArgs;

// Two points the pointer alternates between, so every move is a real one.
constexpr int kX[2] = {100, 300};
constexpr int kY[2] = {200, 400};

struct Fixture {
  const Channel* channel;
  quorvel::Backend* backend;  // a second plugin backend, for the dispatcher
  Display* display;           // ours, not the plugin's
  Window root;
  Display* other;  // ours too: syncs for requests made on another connection
  xdo_t* xdo;
};

void SkipUnlessSucceeded(benchmark::State& state, bool succeeded) {
  if (!succeeded) {
    state.SkipWithError("the call did not succeed");
  }
}

// --- Through the channel ----------------------------------------------------

// `messages` are sent in turn, one per iteration. With `sync`, every call is
// followed by a round trip on a connection of ours: the plugin has flushed
// its requests by then, so the server has them before our sync request.
// Untimed, the cycle is completed at the end, so a button pressed by the
// last call is released again.
void ThroughChannel(benchmark::State& state,
                    const Fixture* fixture,
                    const std::vector<GBytes*>& messages,
                    bool sync) {
  size_t i = 0;
  for (auto _ : state) {
    if (!fixture->channel->Call(messages[i++ % messages.size()])) {
      SkipUnlessSucceeded(state, false);
      break;
    }
    if (sync) {
      XSync(fixture->other, False);
    }
  }
  while (i % messages.size() != 0) {
    fixture->channel->Call(messages[i++ % messages.size()]);
  }
}

// --- Through the dispatcher alone --------------------------------------------

// The plugin's own code on decoded arguments, without the codec and the
// engine: what the plugin adds to the bare requests.
void ThroughHandler(benchmark::State& state,
                    const Fixture* f,
                    const char* method,
                    const std::vector<FlValue*>& args,
                    bool sync) {
  size_t i = 0;
  for (auto _ : state) {
    g_autoptr(FlMethodResponse) response =
        quorvel::HandleMethodCall(*f->backend, method, args[i++ % args.size()]);
    if (!FL_IS_METHOD_SUCCESS_RESPONSE(response)) {
      SkipUnlessSucceeded(state, false);
      break;
    }
    if (sync) {
      XSync(f->other, False);
    }
  }
  while (i % args.size() != 0) {
    g_object_unref(quorvel::HandleMethodCall(*f->backend, method,
                                             args[i++ % args.size()]));
  }
}

// --- The backend alone
// --------------------------------------------------------

// The Backend operation the dispatcher calls, called directly: the plugin's
// own work without the method-name walk, the argument reading and the
// response object.
using BackendCall = void (*)(quorvel::Backend& backend, unsigned i);

void ThroughBackend(benchmark::State& state,
                    const Fixture* f,
                    BackendCall call) {
  unsigned i = 0;
  for (auto _ : state) {
    call(*f->backend, i++);
  }
  if (i & 1) {
    call(*f->backend, i);
  }
}

void BackendMove(quorvel::Backend& backend, unsigned i) {
  backend.MoveMouse(kX[i & 1], kY[i & 1]);
}

void BackendCoords(quorvel::Backend& backend, unsigned /*i*/) {
  int32_t x = 0;
  int32_t y = 0;
  benchmark::DoNotOptimize(backend.GetMouseCoords(&x, &y));
}

void BackendScreens(quorvel::Backend& backend, unsigned /*i*/) {
  benchmark::DoNotOptimize(backend.GetScreenList());
}

void BackendWheel(quorvel::Backend& backend, unsigned /*i*/) {
  backend.WheelMouse(0, 0, 1);
}

void BackendClick(quorvel::Backend& backend, unsigned i) {
  static const std::string kDown = "Down";
  static const std::string kUp = "Up";
  static const std::string kLeft = "Left";
  backend.MouseClick(kX[i & 1], kY[i & 1], i & 1 ? kUp : kDown, kLeft);
}

// --- The same requests, made directly ---------------------------------------

// One call's bare requests, for point (or, for clicks, phase) `p`; false if
// the server said no.
using BareCall = bool (*)(const Fixture* f, unsigned p);

bool BareMove(const Fixture* f, unsigned p) {
  quorvel::bench::BareMoveMouse(f->display, f->root, kX[p], kY[p]);
  return true;
}

bool BareCoords(const Fixture* f, unsigned /*p*/) {
  return quorvel::bench::BareGetMouseCoords(f->display, f->root);
}

bool BareScreens(const Fixture* f, unsigned /*p*/) {
  return quorvel::bench::BareScreenList(f->display, f->root) == 1;
}

bool BareWheel(const Fixture* f, unsigned /*p*/) {
  quorvel::bench::BareWheelUp(f->display);
  return true;
}

// Presses at point 0 and releases at point 1, so the button does not stay
// down.
bool BareClick(const Fixture* f, unsigned p) {
  quorvel::bench::BareMoveMouseAndClick(f->display, kX[p], kY[p], p == 0);
  return true;
}

// `cycle` calls make a whole cycle (two points, or press and release),
// which is completed untimed at the end. `sync_display`: null for none;
// f->display to wait for the requests on their own connection; f->other to
// wait the way the channel variant must, on a connection other than the one
// that made them.
void ThroughBare(benchmark::State& state,
                 const Fixture* f,
                 BareCall call,
                 unsigned cycle,
                 Display* sync_display) {
  unsigned i = 0;
  for (auto _ : state) {
    SkipUnlessSucceeded(state, call(f, i++ % cycle));
    if (sync_display != nullptr) {
      XSync(sync_display, False);
    }
  }
  while (i % cycle != 0) {
    call(f, i++ % cycle);
  }
  if (sync_display != nullptr) {
    XSync(sync_display, False);
  }
}

// --- Call by call
// -------------------------------------------------------------

double NowNs() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec) * 1e9 +
         static_cast<double>(now.tv_nsec);
}

double MedianUs(std::vector<double>& ns) {
  if (ns.empty()) {
    return 0;
  }
  std::nth_element(ns.begin(), ns.begin() + ns.size() / 2, ns.end());
  return ns[ns.size() / 2] / 1e3;
}

// The dispatcher, the backend operation and the bare requests in turn, a
// whole cycle each, every call timed on its own; the first side moves on
// each time. A round trip's wall time moves with the state of the machine
// (an idle vCPU wakes slowly, a busy one is shared) by more than the
// plugin's share; run side by side, all three see the same state, so their
// ratio holds from run to run where separate runs' medians do not.
void CallByCall(benchmark::State& state,
                const Fixture* f,
                const char* method,
                const std::vector<FlValue*>& args,
                BackendCall backend,
                BareCall bare) {
  const unsigned cycle = static_cast<unsigned>(args.size());
  std::vector<double> times[3];  // handler, backend, bare
  unsigned turn = 0;
  for (auto _ : state) {
    for (unsigned k = 0; k < 3; ++k) {
      const unsigned side = (turn + k) % 3;
      for (unsigned p = 0; p < cycle; ++p) {
        const double start = NowNs();
        bool succeeded = true;
        if (side == 0) {
          g_autoptr(FlMethodResponse) response =
              quorvel::HandleMethodCall(*f->backend, method, args[p]);
          succeeded = FL_IS_METHOD_SUCCESS_RESPONSE(response);
        } else if (side == 1) {
          backend(*f->backend, p);
        } else {
          succeeded = bare(f, p);
        }
        times[side].push_back(NowNs() - start);
        SkipUnlessSucceeded(state, succeeded);
      }
    }
    ++turn;
  }
  state.counters["handler_us"] = MedianUs(times[0]);
  state.counters["backend_us"] = MedianUs(times[1]);
  state.counters["bare_us"] = MedianUs(times[2]);
}

// --- What people use instead ------------------------------------------------

void XdoMoveMouse(benchmark::State& state, const Fixture* f) {
  unsigned i = 0;
  for (auto _ : state) {
    const unsigned p = i++ & 1;
    SkipUnlessSucceeded(state, xdo_move_mouse(f->xdo, kX[p], kY[p], 0) == 0);
    XSync(f->xdo->xdpy, False);
  }
}

void XdotoolMoveMouse(benchmark::State& state, const Fixture*) {
  unsigned i = 0;
  for (auto _ : state) {
    const unsigned p = i++ & 1;
    SkipUnlessSucceeded(
        state, quorvel::bench::RunProcess({"xdotool", "mousemove",
                                           std::to_string(kX[p]),
                                           std::to_string(kY[p])}) == 0);
  }
}

// Server round trips are waits, not CPU work: wall time is what the caller
// feels.
template <class... Args>
void Add(const char* name, Args&&... args) {
  benchmark::RegisterBenchmark(name, std::forward<Args>(args)...)
      ->UseRealTime()
      ->Unit(benchmark::kMicrosecond);
}

// The arguments of "moveMouse" and "moveMouseAndClick" for point `p`;
// clicks press at point 0 and release at point 1.
FlValue* MoveArgs(int p) {
  return IntArgs({{"x", kX[p]}, {"y", kY[p]}});
}

FlValue* ClickArgs(int p) {
  FlValue* args = MoveArgs(p);
  fl_value_set_string_take(args, "type",
                           fl_value_new_string(p == 0 ? "Down" : "Up"));
  fl_value_set_string_take(args, "button", fl_value_new_string("Left"));
  return args;
}

FlValue* WheelArgs() {
  return IntArgs({{"x", 0}, {"y", 0}, {"delta", 1}});
}

void RegisterAll(const Fixture* f, const Channel& channel) {
  // Encoded once, as they arrive from Dart; and decoded, for the dispatcher.
  // Both live until the process exits.
  const std::vector<GBytes*> moves = {channel.Encode("moveMouse", MoveArgs(0)),
                                      channel.Encode("moveMouse", MoveArgs(1))};
  const std::vector<FlValue*> move_args = {MoveArgs(0), MoveArgs(1)};
  const std::vector<GBytes*> coords = {
      channel.Encode("getMouseCoords", nullptr)};
  const std::vector<GBytes*> screens = {channel.Encode("screenList", nullptr)};
  const std::vector<FlValue*> no_args = {nullptr};
  const std::vector<GBytes*> wheel = {
      channel.Encode("wheelMouse", WheelArgs())};
  const std::vector<FlValue*> wheel_args = {WheelArgs()};
  const std::vector<GBytes*> clicks = {
      channel.Encode("moveMouseAndClick", ClickArgs(0)),
      channel.Encode("moveMouseAndClick", ClickArgs(1))};
  const std::vector<FlValue*> click_args = {ClickArgs(0), ClickArgs(1)};

  Add("moveMouse/channel", ThroughChannel, f, moves, false);
  Add("moveMouse/handler", ThroughHandler, f, "moveMouse", move_args, false);
  Add("moveMouse/backend", ThroughBackend, f, BackendMove);
  Add("moveMouse/bare", ThroughBare, f, BareMove, 2, nullptr);
  Add("moveMouse/xdo", XdoMoveMouse, f);
  Add("moveMouse/xdotool", XdotoolMoveMouse, f);
  Add("getMouseCoords/channel", ThroughChannel, f, coords, false);
  Add("getMouseCoords/handler", ThroughHandler, f, "getMouseCoords", no_args,
      false);
  Add("getMouseCoords/backend", ThroughBackend, f, BackendCoords);
  Add("getMouseCoords/bare", ThroughBare, f, BareCoords, 1, nullptr);
  Add("screenList/channel", ThroughChannel, f, screens, false);
  Add("screenList/handler", ThroughHandler, f, "screenList", no_args, false);
  Add("screenList/backend", ThroughBackend, f, BackendScreens);
  Add("screenList/bare", ThroughBare, f, BareScreens, 1, nullptr);
  Add("wheelMouse flush/channel", ThroughChannel, f, wheel, false);
  Add("wheelMouse flush/handler", ThroughHandler, f, "wheelMouse", wheel_args,
      false);
  Add("wheelMouse flush/backend", ThroughBackend, f, BackendWheel);
  Add("wheelMouse flush/bare", ThroughBare, f, BareWheel, 1, nullptr);
  Add("wheelMouse sync/channel", ThroughChannel, f, wheel, true);
  Add("wheelMouse sync/handler", ThroughHandler, f, "wheelMouse", wheel_args,
      true);
  Add("wheelMouse sync/bare", ThroughBare, f, BareWheel, 1, f->display);
  Add("wheelMouse sync/bare-2conn", ThroughBare, f, BareWheel, 1, f->other);
  Add("moveMouseAndClick flush/channel", ThroughChannel, f, clicks, false);
  Add("moveMouseAndClick flush/handler", ThroughHandler, f, "moveMouseAndClick",
      click_args, false);
  Add("moveMouseAndClick flush/backend", ThroughBackend, f, BackendClick);
  Add("moveMouseAndClick flush/bare", ThroughBare, f, BareClick, 2, nullptr);
  Add("moveMouseAndClick sync/channel", ThroughChannel, f, clicks, true);
  Add("moveMouseAndClick sync/handler", ThroughHandler, f, "moveMouseAndClick",
      click_args, true);
  Add("moveMouseAndClick sync/bare", ThroughBare, f, BareClick, 2, f->display);
  Add("moveMouseAndClick sync/bare-2conn", ThroughBare, f, BareClick, 2,
      f->other);
  Add("moveMouse/call-by-call", CallByCall, f, "moveMouse", move_args,
      BackendMove, BareMove);
  Add("getMouseCoords/call-by-call", CallByCall, f, "getMouseCoords", no_args,
      BackendCoords, BareCoords);
  Add("screenList/call-by-call", CallByCall, f, "screenList", no_args,
      BackendScreens, BareScreens);
  Add("wheelMouse flush/call-by-call", CallByCall, f, "wheelMouse", wheel_args,
      BackendWheel, BareWheel);
  Add("moveMouseAndClick flush/call-by-call", CallByCall, f,
      "moveMouseAndClick", click_args, BackendClick, BareClick);
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

  int status = 1;
  {
    Channel channel;
    std::unique_ptr<quorvel::Backend> backend = quorvel::CreateBackend();
    Display* display = XOpenDisplay(name);
    Display* other = XOpenDisplay(name);
    xdo_t* xdo = xdo_new(name);
    if (display != nullptr && other != nullptr && xdo != nullptr) {
      const Fixture fixture = {&channel, backend.get(),
                               display,  DefaultRootWindow(display),
                               other,    xdo};
      RegisterAll(&fixture, channel);
      benchmark::RunSpecifiedBenchmarks();
      status = 0;
    } else {
      fprintf(stderr, "cannot connect to %s\n", name);
    }
    if (xdo != nullptr) {
      xdo_free(xdo);
    }
    if (other != nullptr) {
      XCloseDisplay(other);
    }
    if (display != nullptr) {
      XCloseDisplay(display);
    }
  }
  benchmark::Shutdown();
  return status;
}
