#ifndef QUORVEL_BACKEND_GNOME_LAYOUT_H_
#define QUORVEL_BACKEND_GNOME_LAYOUT_H_

#include <gio/gio.h>

#include <cstdint>
#include <memory>
#include <set>
#include <string>

namespace quorvel {
namespace gnome {

// The XKB layout names the compositor builds its keymap from.
struct LayoutNames {
  std::string model;
  std::string layout;
  std::string variant;
  std::string options;
};

// The system's keyboard layout as org.freedesktop.locale1 on the system bus
// states it, which is where mutter takes it from; false when it cannot be
// read (no system bus, no locale1), with a short limit on the wait.
bool ReadSystemLayout(LayoutNames* names);

// The layout GNOME Shell has in use: the first XKB entry of the user's most
// recently used input sources (the shell keeps the one in use first), else
// of the configured ones, with the user's XKB options. False where the
// desktop has no such settings or no XKB source in them (a bare compositor,
// which reads locale1 instead).
bool ReadInputSourceLayout(GSettings* settings, LayoutNames* names);

// An input source id, "de" or "de+nodeadkeys", as layout and variant.
void SplitInputSourceId(const std::string& id, LayoutNames* names);

// What the first group of a layout can type: mutter types a KeySym only
// from the group in use, adding Shift or AltGr itself, and the compositor
// starts in the first group.
class LayoutKeysyms {
 public:
  // Null when xkbcommon cannot build the layout.
  static std::unique_ptr<LayoutKeysyms> Build(const LayoutNames& names);

  bool Produces(uint32_t keysym) const { return keysyms_.count(keysym) > 0; }

 private:
  std::set<uint32_t> keysyms_;
};

// What the compositor can type now. On GNOME Shell the layout follows the
// input source the user switches to, so it is read again on each use (a
// read from the settings' memory) and rebuilt when it changed; elsewhere
// locale1's layout, read once.
class ActiveLayout {
 public:
  ActiveLayout();
  ~ActiveLayout();
  ActiveLayout(const ActiveLayout&) = delete;
  ActiveLayout& operator=(const ActiveLayout&) = delete;

  // Null when no layout can be read: then nothing is refused.
  const LayoutKeysyms* Current();

 private:
  GSettings* input_sources_ = nullptr;
  LayoutNames built_for_;
  std::unique_ptr<LayoutKeysyms> keysyms_;
  std::unique_ptr<LayoutKeysyms> system_keysyms_;
};

}  // namespace gnome
}  // namespace quorvel

#endif  // QUORVEL_BACKEND_GNOME_LAYOUT_H_
