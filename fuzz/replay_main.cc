// Runs a fuzz target over files and directories of inputs, once each, in a
// build without libFuzzer (g++, valgrind): the corpus and every crash
// reproducer stay ordinary regression tests.
//
// Usage: <replay-binary> PATH...   (a directory stands for its files)

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv);
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

std::vector<std::string> InputFiles(const std::string& path) {
  std::vector<std::string> files;
  if (std::filesystem::is_directory(path)) {
    for (const auto& entry : std::filesystem::directory_iterator(path)) {
      if (entry.is_regular_file()) {
        files.push_back(entry.path().string());
      }
    }
    std::sort(files.begin(), files.end());
  } else {
    files.push_back(path);
  }
  return files;
}

}  // namespace

int main(int argc, char** argv) {
  LLVMFuzzerInitialize(&argc, &argv);
  size_t count = 0;
  for (int i = 1; i < argc; ++i) {
    if (!std::filesystem::exists(argv[i])) {
      fprintf(stderr, "no such input: %s\n", argv[i]);
      return 1;
    }
    for (const std::string& file : InputFiles(argv[i])) {
      std::ifstream stream(file, std::ios::binary);
      std::vector<uint8_t> data((std::istreambuf_iterator<char>(stream)),
                                std::istreambuf_iterator<char>());
      LLVMFuzzerTestOneInput(data.data(), data.size());
      ++count;
    }
  }
  printf("replayed %zu inputs\n", count);
  return count > 0 ? 0 : 1;
}
