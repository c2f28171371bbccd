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

std::string StderrCapture::Finish() {
  std::string text;
  if (saved_fd_ < 0) {
    return text;
  }
  fflush(stderr);
  dup2(saved_fd_, STDERR_FILENO);
  close(saved_fd_);
  saved_fd_ = -1;
  lseek(capture_fd_, 0, SEEK_SET);
  char buffer[4096];
  ssize_t n;
  while ((n = read(capture_fd_, buffer, sizeof(buffer))) > 0) {
    text.append(buffer, static_cast<size_t>(n));
  }
  close(capture_fd_);
  capture_fd_ = -1;
  return text;
}

}  // namespace testing
}  // namespace quorvel
