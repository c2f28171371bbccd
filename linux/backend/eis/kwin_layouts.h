#ifndef QUORVEL_BACKEND_EIS_KWIN_LAYOUTS_H_
#define QUORVEL_BACKEND_EIS_KWIN_LAYOUTS_H_

#include <gio/gio.h>

#include <cstdint>
#include <functional>

namespace quorvel {
namespace eis {

// The keyboard layout KWin has in use, followed through its layout switcher
// on the session bus: KWin 6.3 sends an EI sender no modifier events, so
// this is how a switch (Alt+Shift, the tray) reaches typing. Where the
// switcher is absent (a single layout) nothing is reported: the first
// layout stays in effect. Asynchronous throughout.
class KwinLayouts {
 public:
  // Takes a reference to `bus`; `on_layout` receives the index of the
  // layout in use, from Refresh() and from every switch.
  KwinLayouts(GDBusConnection* bus, std::function<void(uint32_t)> on_layout);
  ~KwinLayouts();
  KwinLayouts(const KwinLayouts&) = delete;
  KwinLayouts& operator=(const KwinLayouts&) = delete;

  // Asks which layout is in use.
  void Refresh();

 private:
  static void OnLayout(GObject* source, GAsyncResult* result, gpointer data);
  static void OnChanged(GDBusConnection* connection,
                        const gchar* sender,
                        const gchar* path,
                        const gchar* interface,
                        const gchar* signal,
                        GVariant* parameters,
                        gpointer data);

  GDBusConnection* bus_;
  std::function<void(uint32_t)> on_layout_;
  GCancellable* cancellable_;
  // The signal's user data: cut in the destructor, freed by GDBus once the
  // subscription is gone.
  KwinLayouts** link_;
  guint subscription_ = 0;
};

}  // namespace eis
}  // namespace quorvel

#endif  // QUORVEL_BACKEND_EIS_KWIN_LAYOUTS_H_
