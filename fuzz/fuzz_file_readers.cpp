// The small-file readers on any file content: the string readers give the
// first line as it stands, the numeric reader what strtol makes of it,
// clamped to int (an independent implementation of that rule is the oracle).
#include <cstdint>
#include <cstdlib>
#include <string>

#include "KXAPI/KXFileReader.h"
#include "memory_file.h"
#include "reference_number.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static MemoryFile file;
  const std::string& path = file.fill(data, size);
  const std::string line = firstLine(std::string(reinterpret_cast<const char*>(data), size));

  std::string text = "unchanged";
  int number = -7;
  if (KX::readStringFromFile(path, &text) != 0 || text != line) std::abort();
  if (KX::readIntegerFromFile(path, &number) != 0 || number != referenceToInt(line)) std::abort();
  if (KX::getLineFromFile(path) != line) std::abort();
  return 0;
}
