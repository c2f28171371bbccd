#include "driver/plugin_host.h"

#include <dlfcn.h>

namespace quorvel {
namespace driver {
namespace {

constexpr char kChannel[] = "quorvel_remote_desktop_events";
constexpr char kRegisterSymbol[] =
    "quorvel_remote_desktop_events_plugin_register_with_registrar";

using RegisterFunction = void (*)(FlPluginRegistrar*);

}  // namespace

std::unique_ptr<PluginHost> PluginHost::Load(const std::string& path,
                                             std::string* error) {
  // Never closed: the library registers a GType, which must not outlive
  // its code, and a Flutter runner does not unload plugins either.
  void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    *error = dlerror();
    return nullptr;
  }
  auto register_plugin =
      reinterpret_cast<RegisterFunction>(dlsym(library, kRegisterSymbol));
  if (register_plugin == nullptr) {
    *error = path + " has no " + kRegisterSymbol;
    dlclose(library);
    return nullptr;
  }
  std::unique_ptr<PluginHost> host(new PluginHost(host_engine_new()));
  register_plugin(host_engine_get_registrar(host->engine_));
  // cppcheck-suppress resourceLeak
  return host;
}

PluginHost::PluginHost(HostEngine* engine)
    : engine_(engine), codec_(fl_standard_method_codec_new()) {}

PluginHost::~PluginHost() {
  host_engine_shutdown(engine_);
  g_object_unref(codec_);
  g_object_unref(engine_);
}

GBytes* PluginHost::Send(const std::string& method,
                         FlValue* args,
                         GBytes** request) {
  g_autoptr(GError) error = nullptr;
  g_autoptr(GBytes) message =
      FL_METHOD_CODEC_GET_CLASS(codec_)->encode_method_call(
          FL_METHOD_CODEC(codec_), method.c_str(), args, &error);
  if (message == nullptr) {
    g_warning("cannot encode %s: %s", method.c_str(), error->message);
    return nullptr;
  }
  if (request != nullptr) {
    *request = g_bytes_ref(message);
  }
  return host_engine_send(engine_, kChannel, message);
}

}  // namespace driver
}  // namespace quorvel
