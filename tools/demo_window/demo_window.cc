// quorvel_demo_window: a plain Xlib window that shows the text typed into
// it and, when told to stop, writes that text to a file. The demo types
// into it through the plugin and compares what arrived with what was sent.
//
// Usage: quorvel_demo_window OUTPUT_FILE [X Y]
// Prints "ready window=0x... x=X y=Y width=W height=H" once it is visible.
// On SIGUSR1 it writes the text it has so far and prints "saved: TEXT",
// so a screenshot can follow; it writes the text and stops on SIGTERM or
// SIGINT, a WM_DELETE_WINDOW message, or Ctrl+D.

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr int kWidth = 600;
constexpr int kHeight = 120;
// misc-fixed covers Latin-1, the euro sign and much more in iso10646-1.
constexpr char kFontSet[] =
    "-misc-fixed-medium-r-normal--20-*-*-*-*-*-iso10646-1,"
    "-*-*-medium-r-normal--*-*-*-*-*-*-*-*,*";

struct Demo {
  Display* display = nullptr;
  Window window = 0;
  Atom delete_window = 0;
  XIC input_context = nullptr;
  XFontSet font_set = nullptr;
  GC gc = nullptr;
  std::string text;  // UTF-8
  bool done = false;

  Demo() = default;
  Demo(const Demo&) = delete;
  Demo& operator=(const Demo&) = delete;
  ~Demo() {
    if (input_context != nullptr) {
      XIM input_method = XIMOfIC(input_context);
      XDestroyIC(input_context);
      XCloseIM(input_method);
    }
    if (font_set != nullptr) {
      XFreeFontSet(display, font_set);
    }
    if (gc != nullptr) {
      XFreeGC(display, gc);
    }
    if (display != nullptr) {
      XCloseDisplay(display);
    }
  }
};

std::string Latin1ToUtf8(const char* bytes, int length) {
  std::string out;
  for (int i = 0; i < length; ++i) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else {
      out += static_cast<char>(0xc0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3f));
    }
  }
  return out;
}

// Typed characters only: modifier keys give nothing, control characters
// are not text.
std::string KeyText(Demo* demo, XKeyEvent* event, KeySym* keysym) {
  char buffer[64];
  if (demo->input_context != nullptr) {
    Status status = 0;
    const int length = Xutf8LookupString(demo->input_context, event, buffer,
                                         sizeof(buffer), keysym, &status);
    if (status != XLookupChars && status != XLookupBoth) {
      return "";
    }
    return std::string(buffer, length);
  }
  const int length =
      XLookupString(event, buffer, sizeof(buffer), keysym, nullptr);
  return Latin1ToUtf8(buffer, length);
}

void Redraw(Demo* demo) {
  XClearWindow(demo->display, demo->window);
  const char kLabel[] = "Typed through the plugin:";
  const std::string shown = demo->text + "_";
  if (demo->font_set != nullptr) {
    Xutf8DrawString(demo->display, demo->window, demo->font_set, demo->gc, 16,
                    40, kLabel, sizeof(kLabel) - 1);
    Xutf8DrawString(demo->display, demo->window, demo->font_set, demo->gc, 16,
                    80, shown.data(), static_cast<int>(shown.size()));
  } else {
    XDrawString(demo->display, demo->window, demo->gc, 16, 40, kLabel,
                sizeof(kLabel) - 1);
    XDrawString(demo->display, demo->window, demo->gc, 16, 80, shown.data(),
                static_cast<int>(shown.size()));
  }
  XFlush(demo->display);
}

void HandleEvent(Demo* demo, XEvent* event) {
  if (XFilterEvent(event, None)) {
    return;
  }
  switch (event->type) {
    case Expose:
      if (event->xexpose.count == 0) {
        Redraw(demo);
      }
      break;
    case ButtonPress:
      // No window manager gives us the focus; a click takes it.
      XSetInputFocus(demo->display, demo->window, RevertToParent, CurrentTime);
      printf("button %u pressed at %d,%d\n", event->xbutton.button,
             event->xbutton.x, event->xbutton.y);
      break;
    case KeyPress: {
      KeySym keysym = NoSymbol;
      const std::string typed = KeyText(demo, &event->xkey, &keysym);
      if ((event->xkey.state & ControlMask) && keysym == XK_d) {
        demo->done = true;
      } else if (!typed.empty() &&
                 static_cast<unsigned char>(typed[0]) >= 0x20 &&
                 typed[0] != 0x7f) {
        demo->text += typed;
        Redraw(demo);
      }
      break;
    }
    case ClientMessage:
      if (static_cast<Atom>(event->xclient.data.l[0]) == demo->delete_window) {
        demo->done = true;
      }
      break;
    default:
      break;
  }
}

void DrainEvents(Demo* demo) {
  while (XPending(demo->display) > 0) {
    XEvent event;
    XNextEvent(demo->display, &event);
    HandleEvent(demo, &event);
  }
}

void OpenInput(Demo* demo) {
  if (!XSupportsLocale()) {
    fprintf(stderr, "Xlib does not support the locale; Latin-1 only\n");
    return;
  }
  XSetLocaleModifiers("");
  XIM input_method = XOpenIM(demo->display, nullptr, nullptr, nullptr);
  if (input_method != nullptr) {
    demo->input_context = XCreateIC(
        input_method, XNInputStyle, XIMPreeditNothing | XIMStatusNothing,
        XNClientWindow, demo->window, XNFocusWindow, demo->window, nullptr);
    if (demo->input_context == nullptr) {
      XCloseIM(input_method);
    }
  }
  char** missing = nullptr;
  int missing_count = 0;
  char* fallback = nullptr;
  demo->font_set = XCreateFontSet(demo->display, kFontSet, &missing,
                                  &missing_count, &fallback);
  if (missing != nullptr) {
    XFreeStringList(missing);
  }
}

bool Open(Demo* demo, int x, int y) {
  demo->display = XOpenDisplay(nullptr);
  if (demo->display == nullptr) {
    fprintf(stderr, "cannot open display %s\n", XDisplayName(nullptr));
    return false;
  }
  Display* display = demo->display;
  const int screen = DefaultScreen(display);
  demo->window = XCreateSimpleWindow(
      display, RootWindow(display, screen), x, y, kWidth, kHeight, 1,
      BlackPixel(display, screen), WhitePixel(display, screen));
  XStoreName(display, demo->window, "quorvel demo");
  XSizeHints hints = {};
  hints.flags = USPosition | USSize;
  hints.x = x;
  hints.y = y;
  hints.width = kWidth;
  hints.height = kHeight;
  XSetWMNormalHints(display, demo->window, &hints);
  demo->delete_window = XInternAtom(display, "WM_DELETE_WINDOW", False);
  XSetWMProtocols(display, demo->window, &demo->delete_window, 1);
  XSelectInput(display, demo->window,
               ExposureMask | KeyPressMask | ButtonPressMask);
  demo->gc = XCreateGC(display, demo->window, 0, nullptr);
  XSetForeground(display, demo->gc, BlackPixel(display, screen));
  OpenInput(demo);
  XMapRaised(display, demo->window);
  // Wait for the first exposure, so "ready" means the window can be seen.
  XEvent event;
  do {
    XNextEvent(display, &event);
    HandleEvent(demo, &event);
  } while (event.type != Expose);
  printf("ready window=0x%lx x=%d y=%d width=%d height=%d\n", demo->window, x,
         y, kWidth, kHeight);
  fflush(stdout);
  return true;
}

// Whatever the server sent us before now counts as typed, and is drawn.
void CatchUp(Demo* demo) {
  XSync(demo->display, False);
  DrainEvents(demo);
  Redraw(demo);
  XSync(demo->display, False);
}

bool Save(const Demo& demo, const char* path) {
  FILE* output = fopen(path, "w");
  if (output == nullptr) {
    fprintf(stderr, "cannot write %s\n", path);
    return false;
  }
  const bool written =
      fwrite(demo.text.data(), 1, demo.text.size(), output) == demo.text.size();
  if (fclose(output) != 0 || !written) {
    fprintf(stderr, "cannot write %s\n", path);
    return false;
  }
  return true;
}

bool Run(Demo* demo, int signal_fd, const char* path) {
  pollfd fds[2] = {{ConnectionNumber(demo->display), POLLIN, 0},
                   {signal_fd, POLLIN, 0}};
  while (!demo->done) {
    DrainEvents(demo);
    if (demo->done || poll(fds, 2, -1) < 0) {
      break;
    }
    if (fds[1].revents & POLLIN) {
      signalfd_siginfo info;
      if (read(signal_fd, &info, sizeof(info)) != sizeof(info) ||
          info.ssi_signo != SIGUSR1) {
        break;
      }
      CatchUp(demo);
      if (!Save(*demo, path)) {
        return false;
      }
      printf("saved: %s\n", demo->text.c_str());
      fflush(stdout);
    }
  }
  CatchUp(demo);
  return Save(*demo, path);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 && argc != 4) {
    fprintf(stderr, "usage: %s OUTPUT_FILE [X Y]\n", argv[0]);
    return 2;
  }
  // Taken through a descriptor, so one poll waits for signals and X events.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGUSR1);
  sigprocmask(SIG_BLOCK, &signals, nullptr);
  const int signal_fd = signalfd(-1, &signals, SFD_CLOEXEC);

  setlocale(LC_ALL, "C.UTF-8");
  Demo demo;
  const int x = argc == 4 ? atoi(argv[2]) : 100;
  const int y = argc == 4 ? atoi(argv[3]) : 100;
  if (signal_fd < 0 || !Open(&demo, x, y)) {
    return 1;
  }
  const bool saved = Run(&demo, signal_fd, argv[1]);
  close(signal_fd);
  if (!saved) {
    return 1;
  }
  printf("received: %s\n", demo.text.c_str());
  return 0;
}
