// The scratch file that a test fills, in the working directory (the test program's own).
#pragma once

#include <cstdio>
#include <fstream>
#include <optional>
#include <string>

namespace kxtest {

inline const std::string kScratch = "kx_scratch";

// Fills the scratch file with content and returns its path; without content removes it, so
// that the path names no file.
inline std::string scratchFile(const std::optional<std::string>& content) {
  std::remove(kScratch.c_str());
  if (content) std::ofstream(kScratch, std::ios::binary) << *content;
  return kScratch;
}

}  // namespace kxtest
