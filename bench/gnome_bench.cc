// The app-thread time of the pointer and key methods on the GNOME backend,
// through the channel, against a private headless mutter (the same session
// the GNOME tests start). Compare with quorvel_bench_pointer and
// quorvel_bench_keys for the X11 backend. The main loop runs untimed between
// iterations, so the replies of the compositor do not pile up.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "bench_support.h"
#include "support/wayland_session.h"

namespace {

using quorvel::bench::Channel;
using quorvel::testing::WaylandSession;

const Channel* g_channel = nullptr;

void DrainMainLoop() {
  while (g_main_context_iteration(nullptr, FALSE)) {
  }
}

void Run(benchmark::State& state, GBytes* first, GBytes* second) {
  size_t i = 0;
  for (auto _ : state) {
    if (!g_channel->Call(i++ % 2 == 0 ? first : second)) {
      state.SkipWithError("the call did not succeed");
      break;
    }
    state.PauseTiming();
    DrainMainLoop();
    state.ResumeTiming();
  }
  g_bytes_unref(first);
  g_bytes_unref(second);
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

void BM_GnomeMoveMouse(benchmark::State& state) {
  Run(state, g_channel->Encode("moveMouse", Point(100, 200)),
      g_channel->Encode("moveMouse", Point(1500, 400)));
}

void BM_GnomeKeyboardClick(benchmark::State& state) {
  // kVK_Shift: types nothing into the probe-less session.
  Run(state, g_channel->Encode("keyboardClick", Key(0x38)),
      g_channel->Encode("keyboardClick", Key(0x38)));
}

void BM_GnomeKeyboardPress(benchmark::State& state) {
  Run(state, g_channel->Encode("keyboardPress", Char("a")),
      g_channel->Encode("keyboardPress", Char("A")));
}

BENCHMARK(BM_GnomeMoveMouse);
BENCHMARK(BM_GnomeKeyboardClick);
BENCHMARK(BM_GnomeKeyboardPress);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  WaylandSession::Options options;
  options.window = false;
  std::string error;
  std::unique_ptr<WaylandSession> session =
      WaylandSession::Start(options, &error);
  if (!session) {
    fprintf(stderr, "gnome_bench: no GNOME session: %s\n", error.c_str());
    return 1;
  }
  setenv("XDG_SESSION_TYPE", "wayland", 1);
  setenv("DBUS_SESSION_BUS_ADDRESS", session->session_bus_address().c_str(), 1);
  setenv("DBUS_SYSTEM_BUS_ADDRESS", session->system_bus_address().c_str(), 1);
  unsetenv("DISPLAY");
  {
    Channel channel;
    g_channel = &channel;
    // The session starts at the first input; that one-time cost is left out.
    GBytes* warm = channel.Encode("moveMouse", Point(1, 1));
    channel.Call(warm);
    g_bytes_unref(warm);
    WaylandSession::RunUntil([] { return false; }, 1000);
    benchmark::RunSpecifiedBenchmarks();
    g_channel = nullptr;
  }
  benchmark::Shutdown();
  return 0;
}
