#ifndef QUORVEL_BENCH_BENCH_SUPPORT_H_
#define QUORVEL_BENCH_BENCH_SUPPORT_H_

#include <flutter_linux/flutter_linux.h>
#include <flutter_linux_host/host_engine.h>
#include <sys/types.h>

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace quorvel {
namespace bench {

// A private Xvfb, child of this process, on the display number it picks
// itself. Stopped by PID in the destructor.
class Xvfb {
 public:
  // nullptr when the server did not come up.
  static std::unique_ptr<Xvfb> Start();
  ~Xvfb();
  Xvfb(const Xvfb&) = delete;
  Xvfb& operator=(const Xvfb&) = delete;

  const std::string& display_name() const { return display_name_; }

 private:
  Xvfb() = default;

  pid_t pid_ = -1;
  std::string display_name_;
};

// Runs `args` (argv[0] looked up in PATH) with this process's environment and
// waits for it. Returns its exit status, or -1 when it did not exit normally.
int RunProcess(const std::vector<std::string>& args);

// The plugin registered on a fresh stand-in engine, with the display named by
// DISPLAY at the time of construction. Messages are encoded once up front, as
// they arrive from Dart, and sent as bytes.
class Channel {
 public:
  Channel();
  ~Channel();
  Channel(const Channel&) = delete;
  Channel& operator=(const Channel&) = delete;

  // The encoded call (transfer full). Takes ownership of `args`.
  GBytes* Encode(const char* method, FlValue* args) const;

  // Delivers `message`, decodes the reply and returns true for a success
  // reply.
  bool Call(GBytes* message) const;

 private:
  HostEngine* engine_;
  FlMethodCodec* codec_;
};

// A map with integer values under `keys`.
FlValue* IntArgs(std::initializer_list<std::pair<const char*, int64_t>> args);

// The value a success response carries for call `i`, by the name of the
// response case: "response" (null), "response-bool" (keyboardPress),
// "response-string" (a point, as getMouseCoords replies) or "response-list"
// (one screen, as screenList replies on the benchmark's Xvfb). Null for any
// other name.
using MakeValue = FlValue* (*)(int i);
MakeValue ResponseValue(const char* name);

// The success response alone, made and released as the dispatcher's caller
// does: the embedding API's fixed cost per call, stated once beside the
// methods.
bool MakeAndReleaseResponse(MakeValue make, int i);

}  // namespace bench
}  // namespace quorvel

#endif  // QUORVEL_BENCH_BENCH_SUPPORT_H_
