#include "support/stderr_capture.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace quorvel {
namespace testing {

StderrCapture::StderrCapture() {
  char path[] = "/tmp/quorvel-stderr-XXXXXX";
  capture_fd_ = mkstemp(path);
  if (capture_fd_ < 0) {
    return;
  }
  unlink(path);
  fflush(stderr);
  saved_fd_ = dup(STDERR_FILENO);
  dup2(capture_fd_, STDERR_FILENO);
}

StderrCapture::~StderrCapture() {
  Finish();
}

std::string StderrCapture::Text() const {
  std::string text;
  if (saved_fd_ < 0) {
    return text;
  }
  fflush(stderr);
  char buffer[4096];
  ssize_t n;
  for (off_t at = 0; (n = pread(capture_fd_, buffer, sizeof(buffer), at)) > 0;
       at += n) {
    text.append(buffer, static_cast<size_t>(n));
  }
  return text;
}

size_t StderrCapture::Count(const std::string& needle) const {
  const std::string text = Text();
  size_t count = 0;
  for (size_t at = text.find(needle); at != std::string::npos;
       at = text.find(needle, at + 1)) {
    count++;
  }
  return count;
}

std::string StderrCapture::Finish() {
  const std::string text = Text();
  if (saved_fd_ < 0) {
    return text;
  }
  dup2(saved_fd_, STDERR_FILENO);
  close(saved_fd_);
  saved_fd_ = -1;
  close(capture_fd_);
  capture_fd_ = -1;
  return text;
}

}  // namespace testing
}  // namespace quorvel
