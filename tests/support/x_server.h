#ifndef QUORVEL_TESTS_SUPPORT_X_SERVER_H_
#define QUORVEL_TESTS_SUPPORT_X_SERVER_H_

#include <X11/Xlib.h>
#include <sys/types.h>

#include <memory>
#include <string>
#include <vector>

namespace quorvel {
namespace testing {

struct DisplayCloser {
  void operator()(Display* display) const {
    if (display) {
      XCloseDisplay(display);
    }
  }
};
using DisplayPtr = std::unique_ptr<Display, DisplayCloser>;

enum class XServerKind {
  kXvfb,
  // Xorg with the dummy driver and three monitors side by side:
  // DUMMY0 1920x1080+0+0, DUMMY1 1280x1024+1920+0, DUMMY2 1024x768+3200+0.
  kXorgDummy3,
};

struct XServerOptions {
  XServerKind kind = XServerKind::kXvfb;
  std::string screen = "1280x1024x24";  // Xvfb only
  // ":N" to take that display, e.g. to start a server again where one
  // stopped; empty: the server picks a free one.
  std::string display;
  // Appended to the server's command line, e.g. {"-extension", "XFIXES"}.
  std::vector<std::string> extra_args;
};

// A private X server, child of this process, on a display number the server
// picks itself (-displayfd). It never resets (-noreset), so keyboard layouts
// and RandR changes made by one client survive its disconnection. Stopped by
// PID in the destructor.
class XServer {
 public:
  using Kind = XServerKind;
  using Options = XServerOptions;

  // nullptr when the server could not be started; `error` then says why.
  static std::unique_ptr<XServer> Start(const Options& options = {},
                                        std::string* error = nullptr);
  ~XServer();
  XServer(const XServer&) = delete;
  XServer& operator=(const XServer&) = delete;

  // ":N".
  const std::string& display_name() const { return display_name_; }
  pid_t pid() const { return pid_; }

  // A new connection to this server, or nullptr.
  Display* Open() const;
  DisplayPtr Connect() const { return DisplayPtr(Open()); }

  // Runs `shell_command` with /bin/sh and DISPLAY set to this server; returns
  // its exit status, or -1 when it did not exit normally.
  int Run(const std::string& shell_command) const;

 private:
  XServer() = default;

  pid_t pid_ = -1;
  std::string display_name_;
  std::string temp_dir_;
};

// What a second connection reads of the server's input state: whether
// `keycode` is down, and the mask of pointer buttons 1 to 3 that are.
bool KeyIsDown(Display* display, unsigned keycode);
unsigned ButtonsDown(Display* display);

}  // namespace testing
}  // namespace quorvel

#endif  // QUORVEL_TESTS_SUPPORT_X_SERVER_H_
