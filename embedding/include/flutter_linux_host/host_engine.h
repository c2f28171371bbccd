#ifndef FLUTTER_LINUX_HOST_HOST_ENGINE_H_
#define FLUTTER_LINUX_HOST_HOST_ENGINE_H_

// The engine side of the stand-in embedding: what the Flutter engine does for
// a plugin, driven by a test or a tool instead of Dart code. Deliberately
// outside the fl_ namespace, so plugin code cannot reach it by mistake.

#include <flutter_linux/flutter_linux.h>

G_BEGIN_DECLS

G_MODULE_EXPORT
G_DECLARE_FINAL_TYPE(HostEngine, host_engine, HOST, ENGINE, GObject)

// A new engine with one binary messenger and one plugin registrar.
G_MODULE_EXPORT HostEngine* host_engine_new(void);

// The registrar to hand to a plugin's register_with_registrar (borrowed).
G_MODULE_EXPORT FlPluginRegistrar* host_engine_get_registrar(
    HostEngine* engine);

// The engine's messenger (borrowed).
G_MODULE_EXPORT FlBinaryMessenger* host_engine_get_messenger(
    HostEngine* engine);

// Delivers `message` on `channel` as the engine would deliver a platform
// message from Dart, and returns the reply bytes (transfer full): an empty
// GBytes for a not-implemented reply or when no handler is installed on the
// channel. Returns NULL when the handler returned without responding.
G_MODULE_EXPORT GBytes* host_engine_send(HostEngine* engine,
                                         const gchar* channel,
                                         GBytes* message);

// Removes every channel handler, running their destroy notifications, as the
// engine does when it shuts down.
G_MODULE_EXPORT void host_engine_shutdown(HostEngine* engine);

G_END_DECLS

#endif  // FLUTTER_LINUX_HOST_HOST_ENGINE_H_
