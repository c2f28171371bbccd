#ifndef QUORVEL_TESTS_KEYS_TEXT_WINDOW_H_
#define QUORVEL_TESTS_KEYS_TEXT_WINDOW_H_

#include <X11/Xlib.h>

#include <memory>
#include <string>

namespace quorvel {
namespace testing {

// A mapped top-level window holding the keyboard focus, on its own
// connection, that turns the key events it receives into text through an
// input method, the way a toolkit does, following keyboard map changes.
class TextWindow {
 public:
  // nullptr (with `error` set) when the window cannot be set up.
  static std::unique_ptr<TextWindow> Open(const std::string& display_name,
                                          std::string* error);
  ~TextWindow();
  TextWindow(const TextWindow&) = delete;
  TextWindow& operator=(const TextWindow&) = delete;

  // The text typed by the key events that reached the window since the last
  // call. Only complete after the sender's requests were dispatched (e.g.
  // after RecordObserver::Collect()).
  std::string TakeText();

  // Changes an attribute of the window: a request RECORD logs with the
  // server time, to mark a moment on the server's clock.
  void SendMarker();

  Window window() const { return window_; }
  Display* display() const { return display_; }

 private:
  TextWindow() = default;

  Display* display_ = nullptr;
  Window window_ = 0;
  XIM input_method_ = nullptr;
  XIC input_context_ = nullptr;
  unsigned long marker_pixel_ = 0;
};

}  // namespace testing
}  // namespace quorvel

#endif  // QUORVEL_TESTS_KEYS_TEXT_WINDOW_H_
