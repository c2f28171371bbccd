#ifndef QUORVEL_TOOLS_DRIVER_PLUGIN_HOST_H_
#define QUORVEL_TOOLS_DRIVER_PLUGIN_HOST_H_

#include <flutter_linux/flutter_linux.h>
#include <flutter_linux_host/host_engine.h>

#include <memory>
#include <string>

namespace quorvel {
namespace driver {

// The plugin library loaded and registered the way a Flutter runner does
// it, with the stand-in engine in place of Dart.
class PluginHost {
 public:
  // nullptr with a message in `error` when the library cannot be loaded or
  // lacks the registration function.
  static std::unique_ptr<PluginHost> Load(const std::string& path,
                                          std::string* error);
  // Shuts the engine down, which releases the plugin and its X connection.
  ~PluginHost();
  PluginHost(const PluginHost&) = delete;
  PluginHost& operator=(const PluginHost&) = delete;

  // Encodes the call with the standard method codec, delivers it on the
  // plugin's channel and returns the reply bytes (null when the handler
  // did not respond). Writes the message bytes to `request` if not null.
  GBytes* Send(const std::string& method, FlValue* args, GBytes** request);

 private:
  explicit PluginHost(HostEngine* engine);

  HostEngine* engine_;
  FlStandardMethodCodec* codec_;
};

}  // namespace driver
}  // namespace quorvel

#endif  // QUORVEL_TOOLS_DRIVER_PLUGIN_HOST_H_
