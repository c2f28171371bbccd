#ifndef QUORVEL_BACKEND_EIS_BUS_NAMES_H_
#define QUORVEL_BACKEND_EIS_BUS_NAMES_H_

namespace quorvel {
namespace eis {

// KWin 6's emulated-input endpoint on the session bus (its "eis" plugin,
// KWin 6.1 and later): an ordinary client gets an EI socket, with no
// prompt, from connectToEIS(i capabilities) -> (h fd, i cookie), and hands
// it back with disconnect(i cookie).
constexpr char kKwinName[] = "org.kde.KWin";
constexpr char kEisPath[] = "/org/kde/KWin/EIS/RemoteDesktop";
constexpr char kEisInterface[] = "org.kde.KWin.EIS.RemoteDesktop";

// KWin's keyboard-layout switcher, there when more than one layout is
// configured: getLayout() -> (u) and the signal layoutChanged(u), the index
// of a layout of the keymap KWin hands EI keyboards.
constexpr char kKeyboardName[] = "org.kde.keyboard";
constexpr char kLayoutsPath[] = "/Layouts";
constexpr char kLayoutsInterface[] = "org.kde.KeyboardLayouts";

}  // namespace eis
}  // namespace quorvel

#endif  // QUORVEL_BACKEND_EIS_BUS_NAMES_H_
