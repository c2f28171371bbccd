#ifndef QUORVEL_TESTS_SUPPORT_STDERR_CAPTURE_H_
#define QUORVEL_TESTS_SUPPORT_STDERR_CAPTURE_H_

#include <string>

namespace quorvel {
namespace testing {

// Redirects file descriptor 2 into a temporary file for the object's life, so
// lines the code under test writes with fprintf(stderr, ...) can be compared.
class StderrCapture {
 public:
  StderrCapture();
  ~StderrCapture();
  StderrCapture(const StderrCapture&) = delete;
  StderrCapture& operator=(const StderrCapture&) = delete;

  // Everything written so far; restores the real stderr.
  std::string Finish();
  // Everything written so far, while the capture goes on.
  std::string Text() const;
  // How often `needle` occurs in Text().
  size_t Count(const std::string& needle) const;

 private:
  int saved_fd_ = -1;
  int capture_fd_ = -1;
};

}  // namespace testing
}  // namespace quorvel

#endif  // QUORVEL_TESTS_SUPPORT_STDERR_CAPTURE_H_
