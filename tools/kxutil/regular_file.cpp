#include "regular_file.h"

#include <sys/stat.h>

namespace kxutil {

std::string notRegularFile(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0 || S_ISREG(info.st_mode)) {
    return {};
  }
  return path + " is not a regular file";
}

}  // namespace kxutil
