#ifndef QUORVEL_TESTS_SUPPORT_PLUGIN_CHANNEL_H_
#define QUORVEL_TESTS_SUPPORT_PLUGIN_CHANNEL_H_

#include <flutter_linux/flutter_linux.h>
#include <flutter_linux_host/host_engine.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "support/value_ptr.h"

namespace quorvel {
namespace testing {

// One reply as the Dart side would receive it.
struct Reply {
  enum Kind { kSuccess, kError, kNotImplemented, kNoReply };

  Kind kind = kNoReply;
  FlValuePtr result;  // success: the result (a null value for none)
  std::string code;   // error only
  std::string message;
  FlValuePtr details;          // error only; nullptr when absent
  std::vector<uint8_t> bytes;  // the raw reply
};

// The plugin registered on a fresh host engine, reached through encoded
// messages on its channel exactly as the engine delivers them.
class PluginChannel {
 public:
  static constexpr char kChannelName[] = "quorvel_remote_desktop_events";

  PluginChannel();
  ~PluginChannel();
  PluginChannel(const PluginChannel&) = delete;
  PluginChannel& operator=(const PluginChannel&) = delete;

  // Sends `message` as is; returns the reply bytes (transfer full), NULL when
  // the plugin did not respond.
  GBytes* SendRaw(GBytes* message);

  // Encodes a call with the standard method codec, sends it and decodes the
  // reply. Takes ownership of `args`; nullptr sends a null value.
  Reply Invoke(const std::string& method, FlValue* args = nullptr);

  // Shuts the engine down: the plugin's handler is dropped.
  void Shutdown();

  HostEngine* engine() const { return engine_; }

 private:
  HostEngine* engine_;
  FlMethodCodec* codec_;
};

// A map of string keys to `entries`, taking ownership of the values.
FlValue* Args(std::initializer_list<std::pair<const char*, FlValue*>> entries);

// Argument values, for Args.
inline FlValue* Int(int64_t value) {
  return fl_value_new_int(value);
}
inline FlValue* Str(const char* value) {
  return fl_value_new_string(value);
}

}  // namespace testing
}  // namespace quorvel

#endif  // QUORVEL_TESTS_SUPPORT_PLUGIN_CHANNEL_H_
