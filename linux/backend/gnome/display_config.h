#ifndef QUORVEL_BACKEND_GNOME_DISPLAY_CONFIG_H_
#define QUORVEL_BACKEND_GNOME_DISPLAY_CONFIG_H_

#include <gio/gio.h>

#include <string>
#include <vector>

#include "backend/backend.h"

namespace quorvel {
namespace gnome {

// One logical monitor as the compositor lays it out: the rectangle in layout
// pixels (what the pointer methods take), its scale, and the connector of the
// monitor shown there (what a screen-cast stream records).
struct Monitor {
  ScreenInfo info;
  std::string connector;
  // Stream pixels per layout pixel: the scale when the compositor lays
  // monitors out in logical pixels, 1 when in physical ones.
  double stream_scale = 1.0;
};

// The monitors in a DisplayConfig.GetCurrentState reply, in its order.
std::vector<Monitor> ParseCurrentState(GVariant* reply);

// A stable id for a connector name ("Meta-0", "DP-1"): the same monitor keeps
// its id across calls and restarts of the compositor.
uint32_t ConnectorId(const std::string& connector);

// The compositor's monitors, read once at construction and again, on the
// main loop, each time the compositor announces a change.
class DisplayConfig {
 public:
  // Does not take `connection`; keeps a reference.
  explicit DisplayConfig(GDBusConnection* connection);
  ~DisplayConfig();
  DisplayConfig(const DisplayConfig&) = delete;
  DisplayConfig& operator=(const DisplayConfig&) = delete;

  const std::vector<Monitor>& monitors() const { return monitors_; }

 private:
  static void OnMonitorsChanged(GDBusConnection* connection,
                                const gchar* sender,
                                const gchar* path,
                                const gchar* interface,
                                const gchar* signal,
                                GVariant* parameters,
                                gpointer data);
  static void OnState(GObject* source, GAsyncResult* result, gpointer data);

  GDBusConnection* connection_;
  GCancellable* cancellable_;
  // What the signal subscription points at: a signal already dispatched to
  // the main loop may still arrive after unsubscribing, so the link outlives
  // this object until GDBus drops it, and is cut in the destructor.
  DisplayConfig** link_;
  guint subscription_ = 0;
  std::vector<Monitor> monitors_;
};

}  // namespace gnome
}  // namespace quorvel

#endif  // QUORVEL_BACKEND_GNOME_DISPLAY_CONFIG_H_
