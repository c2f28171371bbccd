#include "flutter_linux_host/host_engine.h"

#include "host_messenger.h"
#include "host_registrar.h"

struct _HostEngine {
  GObject parent_instance;

  HostMessenger* messenger;
  HostRegistrar* registrar;
};

G_DEFINE_TYPE(HostEngine, host_engine, G_TYPE_OBJECT)

static void host_engine_dispose(GObject* object) {
  HostEngine* self = HOST_ENGINE(object);
  if (self->messenger != nullptr) {
    host_messenger_shutdown(self->messenger);
  }
  g_clear_object(&self->registrar);
  g_clear_object(&self->messenger);
  G_OBJECT_CLASS(host_engine_parent_class)->dispose(object);
}

static void host_engine_class_init(HostEngineClass* klass) {
  G_OBJECT_CLASS(klass)->dispose = host_engine_dispose;
}

static void host_engine_init(HostEngine* self) {
  self->messenger = host_messenger_new();
  self->registrar = host_registrar_new(FL_BINARY_MESSENGER(self->messenger));
}

HostEngine* host_engine_new(void) {
  return HOST_ENGINE(g_object_new(host_engine_get_type(), nullptr));
}

FlPluginRegistrar* host_engine_get_registrar(HostEngine* self) {
  g_return_val_if_fail(HOST_IS_ENGINE(self), nullptr);
  return FL_PLUGIN_REGISTRAR(self->registrar);
}

FlBinaryMessenger* host_engine_get_messenger(HostEngine* self) {
  g_return_val_if_fail(HOST_IS_ENGINE(self), nullptr);
  return FL_BINARY_MESSENGER(self->messenger);
}

GBytes* host_engine_send(HostEngine* self,
                         const gchar* channel,
                         GBytes* message) {
  g_return_val_if_fail(HOST_IS_ENGINE(self), nullptr);
  return host_messenger_deliver(self->messenger, channel, message);
}

void host_engine_shutdown(HostEngine* self) {
  g_return_if_fail(HOST_IS_ENGINE(self));
  host_messenger_shutdown(self->messenger);
}
