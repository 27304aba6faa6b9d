// The package version lookup on any file content, against an independent
// reading of the rule: the first line that holds Version Major=" and ends in
// a line feed counts; from the marker's first character p the fields are 2
// characters at p + 15, 2 at p + 26 and 4 at p + 40, cut short by the line's
// end; a line that ends before p + 26 or p + 40 throws std::out_of_range;
// no such line gives "undefined".
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include "KXAPI/KXPackageVersion.h"
#include "memory_file.h"

namespace {

std::string expectedVersion(const std::string& content) {
  const std::string marker = "Version Major=\"";
  for (std::size_t start = 0, end; (end = content.find('\n', start)) != std::string::npos;
       start = end + 1) {
    const std::string line = content.substr(start, end - start);
    const std::size_t p = line.find(marker);
    if (p == std::string::npos) continue;
    if (line.size() < p + 40) return "out_of_range";
    const auto field = [&](std::size_t at, std::size_t length) {
      return line.substr(at, std::min(length, line.size() - at));
    };
    return field(p + 15, 2) + "-" + field(p + 26, 2) + "-" + field(p + 40, 4);
  }
  return "undefined";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static MemoryFile file;
  const std::string& path = file.fill(data, size);
  std::string version;
  try {
    version = KX::retrievePackageVersion(path);
  } catch (const std::out_of_range&) {
    version = "out_of_range";
  }
  if (version != expectedVersion(std::string(reinterpret_cast<const char*>(data), size))) {
    std::abort();
  }
  return 0;
}
