#ifndef FLUTTER_LINUX_HOST_HOST_REGISTRAR_H_
#define FLUTTER_LINUX_HOST_HOST_REGISTRAR_H_

#include <flutter_linux/flutter_linux.h>

G_BEGIN_DECLS

// The host engine's FlPluginRegistrar: a messenger, no textures, no view.
G_DECLARE_FINAL_TYPE(HostRegistrar, host_registrar, HOST, REGISTRAR, GObject)

HostRegistrar* host_registrar_new(FlBinaryMessenger* messenger);

G_END_DECLS

#endif  // FLUTTER_LINUX_HOST_HOST_REGISTRAR_H_
