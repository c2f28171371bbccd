#include "keys/text_window.h"

#include <X11/XKBlib.h>
#include <X11/Xutil.h>

#include <clocale>

namespace quorvel {
namespace testing {
namespace {

// Waits for an event of `type` (selected by `mask`) on `window`, dropping
// the others of the mask.
void WaitFor(Display* display, Window window, long mask, int type) {
  XEvent event;
  do {
    XWindowEvent(display, window, mask, &event);
  } while (event.type != type);
}

}  // namespace

std::unique_ptr<TextWindow> TextWindow::Open(const std::string& display_name,
                                             std::string* error) {
  // Xlib's UTF-8 lookup needs a UTF-8 locale; "@im=none" picks the built-in
  // input method whatever XMODIFIERS says, so no IM server is involved.
  if (!setlocale(LC_ALL, "C.UTF-8") || !XSupportsLocale()) {
    *error = "no C.UTF-8 locale for Xlib";
    return nullptr;
  }
  XSetLocaleModifiers("@im=none");

  std::unique_ptr<TextWindow> text(new TextWindow());
  text->display_ = XOpenDisplay(display_name.c_str());
  if (!text->display_) {
    *error = "cannot open " + display_name;
    return nullptr;
  }
  Display* display = text->display_;
  // Follows keyboard map changes as toolkits do: Xlib reads the map again
  // when it handles these notices, so a layout switched or a keycode given
  // new symbols by another client is read as the server has it now.
  XkbSelectEvents(display, XkbUseCoreKbd,
                  XkbNewKeyboardNotifyMask | XkbMapNotifyMask,
                  XkbNewKeyboardNotifyMask | XkbMapNotifyMask);
  const int screen = DefaultScreen(display);
  text->window_ = XCreateSimpleWindow(
      display, RootWindow(display, screen), 0, 0, 200, 100, 0,
      BlackPixel(display, screen), WhitePixel(display, screen));
  XSelectInput(
      display, text->window_,
      KeyPressMask | KeyReleaseMask | StructureNotifyMask | FocusChangeMask);

  text->input_method_ = XOpenIM(display, nullptr, nullptr, nullptr);
  if (!text->input_method_) {
    *error = "XOpenIM failed";
    return nullptr;
  }
  text->input_context_ = XCreateIC(
      text->input_method_, XNInputStyle, XIMPreeditNothing | XIMStatusNothing,
      XNClientWindow, text->window_, XNFocusWindow, text->window_, nullptr);
  if (!text->input_context_) {
    *error = "XCreateIC failed";
    return nullptr;
  }
  XSetICFocus(text->input_context_);

  XMapWindow(display, text->window_);
  WaitFor(display, text->window_, StructureNotifyMask, MapNotify);
  XSetInputFocus(display, text->window_, RevertToParent, CurrentTime);
  WaitFor(display, text->window_, FocusChangeMask, FocusIn);
  return text;
}

TextWindow::~TextWindow() {
  if (input_context_) {
    XDestroyIC(input_context_);
  }
  if (input_method_) {
    XCloseIM(input_method_);
  }
  if (display_) {
    XCloseDisplay(display_);
  }
}

std::string TextWindow::TakeText() {
  XSync(display_, False);
  std::string text;
  while (XPending(display_)) {
    XEvent event;
    XNextEvent(display_, &event);
    if (event.type == MappingNotify) {
      XRefreshKeyboardMapping(&event.xmapping);
      continue;
    }
    if (XFilterEvent(&event, None) || event.type != KeyPress) {
      continue;
    }
    char buffer[64];
    KeySym keysym = NoSymbol;
    Status status = 0;
    const int length = Xutf8LookupString(input_context_, &event.xkey, buffer,
                                         sizeof(buffer), &keysym, &status);
    if (status == XLookupChars || status == XLookupBoth) {
      text.append(buffer, static_cast<size_t>(length));
    }
  }
  return text;
}

void TextWindow::SendMarker() {
  marker_pixel_ ^= 1;
  XSetWindowBackground(display_, window_, marker_pixel_);
  XSync(display_, False);
}

}  // namespace testing
}  // namespace quorvel
