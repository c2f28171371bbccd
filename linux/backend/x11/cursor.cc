#include "backend/x11/cursor.h"

#include <X11/extensions/Xfixes.h>

namespace quorvel {
namespace x11 {
namespace {

bool HasXfixes(Display* display) {
  int event_base = 0;
  int error_base = 0;
  return XFixesQueryExtension(display, &event_base, &error_base);
}

// A 1x1 cursor whose mask is empty, so no pixel of it is ever drawn; 0 when
// the bitmap cannot be made.
Cursor MakeBlankCursor(Display* display, Window root) {
  static const char kEmptyBitmap[] = {0};
  Pixmap bitmap = XCreateBitmapFromData(display, root, kEmptyBitmap, 1, 1);
  if (!bitmap) {
    return 0;
  }
  XColor black = {};
  black.flags = DoRed | DoGreen | DoBlue;
  Cursor cursor =
      XCreatePixmapCursor(display, bitmap, bitmap, &black, &black, 0, 0);
  // The cursor keeps its own copy of the image.
  XFreePixmap(display, bitmap);
  return cursor;
}

}  // namespace

void HideCursor(Display* display,
                Window root,
                bool* cursor_hidden,
                Cursor* blank_cursor) {
  if (*cursor_hidden) {
    return;
  }
  if (!*blank_cursor) {
    *blank_cursor = MakeBlankCursor(display, root);
  }
  // Both layers: the root cursor covers servers without XFixes, XFixes also
  // hides the pointer over windows that define cursors of their own.
  if (*blank_cursor) {
    XDefineCursor(display, root, *blank_cursor);
  }
  if (HasXfixes(display)) {
    // An error (the extension only partly usable behind a nested or
    // forwarded server) is logged and dropped by the connection.
    XFixesHideCursor(display, root);
  }
  XFlush(display);
  *cursor_hidden = true;
}

void ShowCursor(Display* display, Window root, bool* cursor_hidden) {
  if (!*cursor_hidden) {
    return;
  }
  XUndefineCursor(display, root);
  if (HasXfixes(display)) {
    XFixesShowCursor(display, root);
  }
  XFlush(display);
  *cursor_hidden = false;
}

}  // namespace x11
}  // namespace quorvel
