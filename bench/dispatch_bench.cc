// The plugin's own cost per call, with no X server behind it: DISPLAY is
// unset before the plugin registers, so every operation returns at once and
// what is left is the codec, the channel and the dispatcher.

#include <benchmark/benchmark.h>

#include <cstdlib>

#include "bench_support.h"
#include "plugin/method_call_handler.h"

namespace {

using quorvel::bench::Channel;
using quorvel::bench::IntArgs;

// The whole road of one call: the engine delivers the encoded message, the
// plugin decodes, dispatches, encodes its reply, and the caller decodes it.
void ThroughChannel(benchmark::State& state,
                    const Channel* channel,
                    GBytes* message) {
  for (auto _ : state) {
    if (!channel->Call(message)) {
      state.SkipWithError("the call did not succeed");
      break;
    }
  }
}

// The dispatcher alone on already decoded arguments: the table walk, the
// argument readers and the building and release of the response.
void ThroughHandler(benchmark::State& state,
                    quorvel::Backend* backend,
                    const char* method,
                    FlValue* args) {
  for (auto _ : state) {
    g_autoptr(FlMethodResponse) response =
        quorvel::HandleMethodCall(*backend, method, args);
    benchmark::DoNotOptimize(response);
  }
}

// The response object alone, as the dispatcher makes it and its caller
// releases it: the part of the handler's time that is the embedding's.
void ResponseAlone(benchmark::State& state, quorvel::bench::MakeValue make) {
  int i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(quorvel::bench::MakeAndReleaseResponse(make, i++));
  }
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
    return 1;
  }
  unsetenv("DISPLAY");
  Channel channel;
  std::unique_ptr<quorvel::Backend> backend = quorvel::CreateBackend();

  g_autoptr(GBytes) theme = channel.Encode("getPlatformThemePointer", nullptr);
  g_autoptr(GBytes) move =
      channel.Encode("moveMouse", IntArgs({{"x", 100}, {"y", 200}}));
  g_autoptr(FlValue) move_args = IntArgs({{"x", 100}, {"y", 200}});

  benchmark::RegisterBenchmark("dispatch getPlatformThemePointer/channel",
                               ThroughChannel, &channel, theme);
  benchmark::RegisterBenchmark("dispatch getPlatformThemePointer/handler",
                               ThroughHandler, backend.get(),
                               "getPlatformThemePointer", nullptr);
  benchmark::RegisterBenchmark("dispatch moveMouse/channel", ThroughChannel,
                               &channel, move);
  benchmark::RegisterBenchmark("dispatch moveMouse/handler", ThroughHandler,
                               backend.get(), "moveMouse", move_args);
  const struct {
    const char* benchmark;
    const char* value;
  } kResponses[] = {{"response null/handler", "response"},
                    {"response bool/handler", "response-bool"},
                    {"response string/handler", "response-string"},
                    {"response list/handler", "response-list"}};
  for (const auto& response : kResponses) {
    benchmark::RegisterBenchmark(response.benchmark, ResponseAlone,
                                 quorvel::bench::ResponseValue(response.value));
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
