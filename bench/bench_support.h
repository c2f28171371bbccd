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

}  // namespace bench
}  // namespace quorvel

#endif  // QUORVEL_BENCH_BENCH_SUPPORT_H_
