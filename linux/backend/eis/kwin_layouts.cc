#include "backend/eis/kwin_layouts.h"

#include <utility>

#include "backend/eis/bus_names.h"

namespace quorvel {
namespace eis {
namespace {

// KWin answers from memory; the limit only bounds a compositor that hangs.
constexpr int kLayoutTimeoutMs = 2000;

}  // namespace

KwinLayouts::KwinLayouts(GDBusConnection* bus,
                         std::function<void(uint32_t)> on_layout)
    : bus_(G_DBUS_CONNECTION(g_object_ref(bus))),
      on_layout_(std::move(on_layout)),
      cancellable_(g_cancellable_new()),
      link_(g_new(KwinLayouts*, 1)) {
  *link_ = this;
  subscription_ = g_dbus_connection_signal_subscribe(
      // Any sender: GDBus matches a well-known sender name only once it has
      // seen the name owned, and the switcher may appear later.
      bus_, nullptr, kLayoutsInterface, "layoutChanged", kLayoutsPath, nullptr,
      G_DBUS_SIGNAL_FLAGS_NONE, &KwinLayouts::OnChanged, link_, g_free);
}

KwinLayouts::~KwinLayouts() {
  g_cancellable_cancel(cancellable_);
  g_object_unref(cancellable_);
  *link_ = nullptr;
  g_dbus_connection_signal_unsubscribe(bus_, subscription_);
  g_object_unref(bus_);
}

void KwinLayouts::Refresh() {
  g_dbus_connection_call(bus_, kKeyboardName, kLayoutsPath, kLayoutsInterface,
                         "getLayout", nullptr, G_VARIANT_TYPE("(u)"),
                         G_DBUS_CALL_FLAGS_NONE, kLayoutTimeoutMs, cancellable_,
                         &KwinLayouts::OnLayout, this);
}

void KwinLayouts::OnLayout(GObject* source,
                           GAsyncResult* result,
                           gpointer data) {
  g_autoptr(GError) error = nullptr;
  g_autoptr(GVariant) reply =
      g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error);
  // Cancelled: the object is gone. Any other failure: no switcher.
  if (!reply) {
    return;
  }
  guint32 layout = 0;
  g_variant_get(reply, "(u)", &layout);
  static_cast<KwinLayouts*>(data)->on_layout_(layout);
}

void KwinLayouts::OnChanged(GDBusConnection* /*connection*/,
                            const gchar* /*sender*/,
                            const gchar* /*path*/,
                            const gchar* /*interface*/,
                            const gchar* /*signal*/,
                            GVariant* parameters,
                            gpointer data) {
  KwinLayouts* self = *static_cast<KwinLayouts**>(data);
  if (!self || !g_variant_is_of_type(parameters, G_VARIANT_TYPE("(u)"))) {
    return;
  }
  guint32 layout = 0;
  g_variant_get(parameters, "(u)", &layout);
  self->on_layout_(layout);
}

}  // namespace eis
}  // namespace quorvel
