#ifndef QUORVEL_TESTS_SUPPORT_SCRATCH_DIR_H_
#define QUORVEL_TESTS_SUPPORT_SCRATCH_DIR_H_

#include <string>

namespace quorvel {
namespace testing {

// A fresh directory under the system's temporary directory, removed with
// everything in it when the object goes.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  // Empty when the directory could not be made.
  const std::string& path() const { return path_; }
  // `path()` + "/" + `name`.
  std::string File(const std::string& name) const;

 private:
  std::string path_;
};

// Writes `contents` to `path`, replacing the file; false on failure.
bool WriteFile(const std::string& path, const std::string& contents);

// The whole file, or empty when it cannot be read.
std::string ReadFile(const std::string& path);

}  // namespace testing
}  // namespace quorvel

#endif  // QUORVEL_TESTS_SUPPORT_SCRATCH_DIR_H_
