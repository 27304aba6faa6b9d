// The mount-table queries on any table, against a simple line parser of the
// two fields they use. The parser follows the format of /proc/mounts and the
// reader's documented limits: a line is read up to 4095 bytes and the rest
// of a longer one skipped; blanks and tabs separate fields; blank lines and
// lines starting with '#' are skipped; \040 \011 \012 \134 and \\ in a field
// stand for a blank, a tab, a line feed and a backslash. The kernel never
// writes a NUL byte, so tables holding one are left out.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "KXAPI/KXStatus.h"
#include "memory_file.h"
#include "system/system_internal.h"

namespace {

struct Entry {
  std::string device, dir;
};

std::string decoded(const std::string& field) {
  static const struct {
    const char* escape;
    char byte;
  } kEscapes[] = {
      {"\\040", ' '}, {"\\011", '\t'}, {"\\012", '\n'}, {"\\\\", '\\'}, {"\\134", '\\'}};
  std::string out;
  for (std::size_t i = 0; i < field.size();) {
    bool replaced = false;
    for (const auto& e : kEscapes) {
      const std::string escape = e.escape;
      if (field.compare(i, escape.size(), escape) == 0) {
        out += e.byte;
        i += escape.size();
        replaced = true;
        break;
      }
    }
    if (!replaced) out += field[i++];
  }
  return out;
}

std::vector<Entry> parse(const std::string& table) {
  constexpr std::size_t kLongest = 4095;
  const std::string blanks = " \t";
  std::vector<Entry> entries;
  for (std::size_t start = 0; start < table.size();) {
    std::size_t end = table.find('\n', start);
    if (end == std::string::npos) end = table.size();
    const std::string line = table.substr(start, std::min(end - start, kLongest));
    start = end + 1;
    const std::size_t head = line.find_first_not_of(blanks);
    if (head == std::string::npos || line[head] == '#') continue;
    const std::size_t deviceEnd = std::min(line.find_first_of(blanks, head), line.size());
    const std::size_t dirStart = std::min(line.find_first_not_of(blanks, deviceEnd), line.size());
    const std::size_t dirEnd = std::min(line.find_first_of(blanks, dirStart), line.size());
    entries.push_back({decoded(line.substr(head, deviceEnd - head)),
                       decoded(line.substr(dirStart, dirEnd - dirStart))});
  }
  return entries;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string table(reinterpret_cast<const char*>(data), size);
  if (table.find('\0') != std::string::npos) return 0;
  static MemoryFile file;
  const std::string& path = file.fill(data, size);
  const std::vector<Entry> entries = parse(table);

  // Every device of the table, and one that is none of them.
  std::vector<std::string> devices{"/dev/kx-none"};
  for (std::size_t i = 0; i < entries.size() && i < 16; ++i) devices.push_back(entries[i].device);
  for (const std::string& device : devices) {
    int status = KX::KX_STATUS_NOT_FOUND;
    std::string expected = "undefined";
    for (const Entry& e : entries) {
      if (e.device == device) {
        status = KX::KX_STATUS_OK;
        expected = e.dir;
        break;
      }
    }
    std::string mountPath = "unchanged";
    if (KX::internal::mountPathIn(path, device, &mountPath) != status) std::abort();
    if (mountPath != expected) std::abort();
  }

  std::string medium = "NO SD CARD FOUND!";
  for (const Entry& e : entries) {
    if (e.dir.find("usbsd") != std::string::npos) {
      medium = e.dir;
      break;
    }
  }
  std::string mountDir = "unchanged";
  const bool found = KX::internal::removableMediumIn(path, &mountDir, "NO SD CARD FOUND!");
  if (mountDir != medium || found != (medium != "NO SD CARD FOUND!")) std::abort();
  return 0;
}
