#ifndef QUORVEL_BACKEND_GNOME_LAYOUT_H_
#define QUORVEL_BACKEND_GNOME_LAYOUT_H_

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

}  // namespace gnome
}  // namespace quorvel

#endif  // QUORVEL_BACKEND_GNOME_LAYOUT_H_
