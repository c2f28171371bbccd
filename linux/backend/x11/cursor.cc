#include "backend/x11/cursor.h"

namespace quorvel {
namespace x11 {

void HideCursor(Display*, Window, bool*, Cursor*) {}
void ShowCursor(Display*, Window, bool*) {}

}  // namespace x11
}  // namespace quorvel
