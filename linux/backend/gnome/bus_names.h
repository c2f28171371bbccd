#ifndef QUORVEL_BACKEND_GNOME_BUS_NAMES_H_
#define QUORVEL_BACKEND_GNOME_BUS_NAMES_H_

namespace quorvel {
namespace gnome {

// mutter's own remote-desktop API on the session bus. It injects input as a
// virtual seat device, so native Wayland clients receive it like any other.
constexpr char kRemoteDesktopName[] = "org.gnome.Mutter.RemoteDesktop";
constexpr char kRemoteDesktopPath[] = "/org/gnome/Mutter/RemoteDesktop";
constexpr char kRemoteDesktopInterface[] = "org.gnome.Mutter.RemoteDesktop";
constexpr char kRemoteDesktopSessionInterface[] =
    "org.gnome.Mutter.RemoteDesktop.Session";

// A screen-cast stream per monitor gives absolute pointer motion its
// coordinate space; nothing reads the streams' frames.
constexpr char kScreenCastName[] = "org.gnome.Mutter.ScreenCast";
constexpr char kScreenCastPath[] = "/org/gnome/Mutter/ScreenCast";
constexpr char kScreenCastInterface[] = "org.gnome.Mutter.ScreenCast";
constexpr char kScreenCastSessionInterface[] =
    "org.gnome.Mutter.ScreenCast.Session";

constexpr char kDisplayConfigName[] = "org.gnome.Mutter.DisplayConfig";
constexpr char kDisplayConfigPath[] = "/org/gnome/Mutter/DisplayConfig";
constexpr char kDisplayConfigInterface[] = "org.gnome.Mutter.DisplayConfig";

constexpr char kPropertiesInterface[] = "org.freedesktop.DBus.Properties";

}  // namespace gnome
}  // namespace quorvel

#endif  // QUORVEL_BACKEND_GNOME_BUS_NAMES_H_
