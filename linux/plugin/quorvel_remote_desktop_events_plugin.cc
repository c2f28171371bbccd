#include "include/quorvel_remote_desktop_events_linux/quorvel_remote_desktop_events_plugin.h"

#include <flutter_linux/flutter_linux.h>

#include "backend/backend.h"
#include "plugin/method_call_handler.h"

namespace {

constexpr char kChannelName[] = "quorvel_remote_desktop_events";

}  // namespace

struct _QuorvelRemoteDesktopEventsPlugin {
  GObject parent_instance;

  // Owned. Taken out with one atomic exchange by the first dispose; the
  // dispatcher reads it once per call.
  quorvel::Backend* backend;
};

G_DEFINE_TYPE(QuorvelRemoteDesktopEventsPlugin,
              quorvel_remote_desktop_events_plugin,
              g_object_get_type())

namespace {

void method_call_cb(FlMethodChannel* /*channel*/,
                    FlMethodCall* method_call,
                    gpointer user_data) {
  auto* self = static_cast<QuorvelRemoteDesktopEventsPlugin*>(user_data);
  const gchar* method = fl_method_call_get_name(method_call);
  FlValue* args = fl_method_call_get_args(method_call);

  auto* backend =
      static_cast<quorvel::Backend*>(g_atomic_pointer_get(&self->backend));
  g_autoptr(FlMethodResponse) response =
      backend ? quorvel::HandleMethodCall(*backend, method, args)
              : quorvel::BackendDisposedResponse();
  // A reply that cannot be sent has nowhere to be reported.
  fl_method_call_respond(method_call, response, nullptr);
}

// Swaps the backend out for null in one atomic step and returns it.
// g_atomic_pointer_exchange arrived in GLib 2.74; the oldest GLib the plugin
// builds against (2.66) has only compare-and-exchange, so retry that until no
// other thread changed the pointer in between. The exchange is also left out
// when the build caps GLib below 2.74 (GLIB_VERSION_MAX_ALLOWED): its macro
// form would otherwise slip past that cap unchecked.
// The compare-and-exchange is called as the function (the parenthesised
// name skips the macro): with GLIB_VERSION_MIN_REQUIRED below 2.68, GLib
// 2.74's macro hands the builtin a void* where clang++ wants Backend**.
quorvel::Backend* TakeBackend(QuorvelRemoteDesktopEventsPlugin* self) {
#if GLIB_CHECK_VERSION(2, 74, 0) && \
    GLIB_VERSION_MAX_ALLOWED >= GLIB_VERSION_2_74
  return static_cast<quorvel::Backend*>(
      g_atomic_pointer_exchange(&self->backend, nullptr));
#else
  quorvel::Backend* backend;
  do {
    backend =
        static_cast<quorvel::Backend*>(g_atomic_pointer_get(&self->backend));
  } while (!(g_atomic_pointer_compare_and_exchange)(&self->backend, backend,
                                                    nullptr));
  return backend;
#endif
}

}  // namespace

// GObject may dispose an object more than once; only the first run finds the
// backend.
static void quorvel_remote_desktop_events_plugin_dispose(GObject* object) {
  auto* self = reinterpret_cast<QuorvelRemoteDesktopEventsPlugin*>(object);
  delete TakeBackend(self);
  G_OBJECT_CLASS(quorvel_remote_desktop_events_plugin_parent_class)
      ->dispose(object);
}

static void quorvel_remote_desktop_events_plugin_class_init(
    QuorvelRemoteDesktopEventsPluginClass* klass) {
  G_OBJECT_CLASS(klass)->dispose = quorvel_remote_desktop_events_plugin_dispose;
}

static void quorvel_remote_desktop_events_plugin_init(
    QuorvelRemoteDesktopEventsPlugin* self) {
  self->backend = quorvel::CreateBackend().release();
}

void quorvel_remote_desktop_events_plugin_register_with_registrar(
    FlPluginRegistrar* registrar) {
  auto* plugin = static_cast<QuorvelRemoteDesktopEventsPlugin*>(
      g_object_new(quorvel_remote_desktop_events_plugin_get_type(), nullptr));

  g_autoptr(FlStandardMethodCodec) codec = fl_standard_method_codec_new();
  g_autoptr(FlMethodChannel) channel =
      fl_method_channel_new(fl_plugin_registrar_get_messenger(registrar),
                            kChannelName, FL_METHOD_CODEC(codec));
  // The handler's reference keeps the plugin, its backend and the X
  // connection alive for as long as the engine keeps the channel.
  fl_method_channel_set_method_call_handler(
      channel, method_call_cb, g_object_ref(plugin), g_object_unref);

  g_object_unref(plugin);
}
