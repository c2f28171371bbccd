#include "backend/gnome/display_config.h"

#include <cmath>

#include "backend/gnome/bus_names.h"

namespace quorvel {
namespace gnome {
namespace {

// One synchronous read when the backend starts, so screenList has an answer
// from the first call; the compositor answers from memory.
constexpr int kFirstReadTimeoutMs = 1000;
// Reads after a change run on the main loop and block nothing.
constexpr int kRefreshTimeoutMs = 5000;

// DisplayConfig's "layout-mode": monitors laid out in physical pixels.
constexpr uint32_t kLayoutModePhysical = 2;

// Transforms 1, 3, 5 and 7 turn the monitor by 90 or 270 degrees.
bool SwapsAxes(uint32_t transform) {
  return transform % 2 == 1;
}

constexpr char kStateType[] =
    "(ua((ssss)a(siiddada{sv})a{sv})a(iiduba(ssss)a{sv})a{sv})";

// The current mode's size of the physical monitor on `connector`.
bool CurrentModeSize(GVariant* monitors,
                     const char* connector,
                     int32_t* width,
                     int32_t* height) {
  for (gsize m = 0; m < g_variant_n_children(monitors); m++) {
    g_autoptr(GVariant) monitor = g_variant_get_child_value(monitors, m);
    const char* name = nullptr;
    g_autoptr(GVariant) modes = nullptr;
    g_variant_get(monitor, "((&s&s&s&s)@a(siiddada{sv})@a{sv})", &name, nullptr,
                  nullptr, nullptr, &modes, nullptr);
    if (g_strcmp0(name, connector) != 0) {
      continue;
    }
    for (gsize i = 0; i < g_variant_n_children(modes); i++) {
      g_autoptr(GVariant) mode = g_variant_get_child_value(modes, i);
      int32_t w = 0;
      int32_t h = 0;
      g_autoptr(GVariant) properties = nullptr;
      g_variant_get(mode, "(&siidd@ad@a{sv})", nullptr, &w, &h, nullptr,
                    nullptr, nullptr, &properties);
      gboolean current = FALSE;
      if (g_variant_lookup(properties, "is-current", "b", &current) &&
          current) {
        *width = w;
        *height = h;
        return true;
      }
    }
  }
  return false;
}

}  // namespace

uint32_t ConnectorId(const std::string& connector) {
  // FNV-1a: small, stable across runs and machines, unlike std::hash.
  uint32_t hash = 2166136261u;
  for (unsigned char c : connector) {
    hash = (hash ^ c) * 16777619u;
  }
  return hash;
}

std::vector<Monitor> ParseCurrentState(GVariant* reply) {
  std::vector<Monitor> result;
  if (!reply || !g_variant_is_of_type(reply, G_VARIANT_TYPE(kStateType))) {
    return result;
  }
  g_autoptr(GVariant) monitors = g_variant_get_child_value(reply, 1);
  g_autoptr(GVariant) logical = g_variant_get_child_value(reply, 2);
  g_autoptr(GVariant) properties = g_variant_get_child_value(reply, 3);
  uint32_t layout_mode = 0;
  g_variant_lookup(properties, "layout-mode", "u", &layout_mode);
  const bool physical = layout_mode == kLayoutModePhysical;

  for (gsize i = 0; i < g_variant_n_children(logical); i++) {
    g_autoptr(GVariant) entry = g_variant_get_child_value(logical, i);
    Monitor monitor;
    uint32_t transform = 0;
    g_autoptr(GVariant) shown = nullptr;
    g_variant_get(entry, "(iidub@a(ssss)@a{sv})", &monitor.info.x,
                  &monitor.info.y, &monitor.info.scale, &transform, nullptr,
                  &shown, nullptr);
    if (g_variant_n_children(shown) == 0) {
      continue;
    }
    // Mirrored monitors share one logical monitor; the first one names it.
    const char* connector = nullptr;
    g_variant_get_child(shown, 0, "(&s&s&s&s)", &connector, nullptr, nullptr,
                        nullptr);
    int32_t width = 0;
    int32_t height = 0;
    if (!CurrentModeSize(monitors, connector, &width, &height)) {
      continue;
    }
    if (SwapsAxes(transform)) {
      std::swap(width, height);
    }
    monitor.stream_scale = physical ? 1.0 : monitor.info.scale;
    const double divisor = monitor.stream_scale > 0 ? monitor.stream_scale : 1;
    monitor.info.width = static_cast<int32_t>(std::lround(width / divisor));
    monitor.info.height = static_cast<int32_t>(std::lround(height / divisor));
    monitor.connector = connector;
    monitor.info.id = ConnectorId(connector);
    result.push_back(monitor);
  }
  return result;
}

DisplayConfig::DisplayConfig(GDBusConnection* connection)
    : connection_(G_DBUS_CONNECTION(g_object_ref(connection))),
      cancellable_(g_cancellable_new()),
      link_(g_new(DisplayConfig*, 1)) {
  *link_ = this;
  subscription_ = g_dbus_connection_signal_subscribe(
      connection_, kDisplayConfigName, kDisplayConfigInterface,
      "MonitorsChanged", kDisplayConfigPath, nullptr, G_DBUS_SIGNAL_FLAGS_NONE,
      &DisplayConfig::OnMonitorsChanged, link_, g_free);
  g_autoptr(GVariant) reply = g_dbus_connection_call_sync(
      connection_, kDisplayConfigName, kDisplayConfigPath,
      kDisplayConfigInterface, "GetCurrentState", nullptr,
      G_VARIANT_TYPE(kStateType), G_DBUS_CALL_FLAGS_NONE, kFirstReadTimeoutMs,
      nullptr, nullptr);
  monitors_ = ParseCurrentState(reply);
}

DisplayConfig::~DisplayConfig() {
  // A read still on its way finds the cancellable cancelled and leaves
  // this object alone.
  g_cancellable_cancel(cancellable_);
  g_object_unref(cancellable_);
  *link_ = nullptr;
  g_dbus_connection_signal_unsubscribe(connection_, subscription_);
  g_object_unref(connection_);
}

void DisplayConfig::OnMonitorsChanged(GDBusConnection* /*connection*/,
                                      const gchar* /*sender*/,
                                      const gchar* /*path*/,
                                      const gchar* /*interface*/,
                                      const gchar* /*signal*/,
                                      GVariant* /*parameters*/,
                                      gpointer data) {
  DisplayConfig* self = *static_cast<DisplayConfig**>(data);
  if (!self) {
    return;
  }
  g_dbus_connection_call(self->connection_, kDisplayConfigName,
                         kDisplayConfigPath, kDisplayConfigInterface,
                         "GetCurrentState", nullptr, G_VARIANT_TYPE(kStateType),
                         G_DBUS_CALL_FLAGS_NONE, kRefreshTimeoutMs,
                         self->cancellable_, &DisplayConfig::OnState, self);
}

void DisplayConfig::OnState(GObject* source,
                            GAsyncResult* result,
                            gpointer data) {
  g_autoptr(GError) error = nullptr;
  g_autoptr(GVariant) reply =
      g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error);
  if (g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED)) {
    return;  // `data` is gone
  }
  if (reply) {
    static_cast<DisplayConfig*>(data)->monitors_ = ParseCurrentState(reply);
  }
}

}  // namespace gnome
}  // namespace quorvel
