#ifndef KX_TESTS_SUPPORT_SCRATCH_DIR_H
#define KX_TESTS_SUPPORT_SCRATCH_DIR_H

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

namespace kxtest {

// A private temporary directory, removed with everything in it at the end
// of the scope.
class ScratchDir {
 public:
  ScratchDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kx_test_XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
      throw std::runtime_error("mkdtemp failed");
    }
    path_ = pattern;
  }
  ~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::string& path() const { return path_; }

  // Writes content byte for byte to name inside the directory and returns
  // the file's path.
  std::string write(const std::string& name, const std::string& content) const {
    const std::string file = path_ + "/" + name;
    std::ofstream out(file, std::ios::binary);
    out << content;
    if (!out) {
      throw std::runtime_error("cannot write " + file);
    }
    return file;
  }

 private:
  std::string path_;
};

}  // namespace kxtest

#endif
