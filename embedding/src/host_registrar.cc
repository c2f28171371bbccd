#include "host_registrar.h"

struct _HostRegistrar {
  GObject parent_instance;

  FlBinaryMessenger* messenger;
};

static void host_registrar_iface_init(FlPluginRegistrarInterface* iface);

G_DEFINE_TYPE_WITH_CODE(HostRegistrar,
                        host_registrar,
                        G_TYPE_OBJECT,
                        G_IMPLEMENT_INTERFACE(fl_plugin_registrar_get_type(),
                                              host_registrar_iface_init))

static FlBinaryMessenger* get_messenger(FlPluginRegistrar* registrar) {
  return HOST_REGISTRAR(registrar)->messenger;
}

static FlTextureRegistrar* get_texture_registrar(FlPluginRegistrar*) {
  return nullptr;
}

static FlView* get_view(FlPluginRegistrar*) {
  return nullptr;
}

static void host_registrar_iface_init(FlPluginRegistrarInterface* iface) {
  iface->get_messenger = get_messenger;
  iface->get_texture_registrar = get_texture_registrar;
  iface->get_view = get_view;
}

static void host_registrar_dispose(GObject* object) {
  g_clear_object(&HOST_REGISTRAR(object)->messenger);
  G_OBJECT_CLASS(host_registrar_parent_class)->dispose(object);
}

static void host_registrar_class_init(HostRegistrarClass* klass) {
  G_OBJECT_CLASS(klass)->dispose = host_registrar_dispose;
}

static void host_registrar_init(HostRegistrar*) {}

HostRegistrar* host_registrar_new(FlBinaryMessenger* messenger) {
  HostRegistrar* self =
      HOST_REGISTRAR(g_object_new(host_registrar_get_type(), nullptr));
  self->messenger = FL_BINARY_MESSENGER(g_object_ref(messenger));
  return self;
}
