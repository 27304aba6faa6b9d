// Mount tables with lines longer than the reader's line buffer: every query
// must give what glibc's getmntent, the reader used before, gives on the same
// table, and the rest of a long line must not turn into an entry of its own.
#include <gtest/gtest.h>
#include <mntent.h>

#include "KXAPI/KXStatus.h"
#include "scratch_file.h"
#include "system/system_internal.h"

namespace {

struct Answer {
  int status;
  std::string mountPath;
  bool medium;
  std::string mediumPath;
  bool operator==(const Answer& o) const {
    return status == o.status && mountPath == o.mountPath && medium == o.medium &&
           mediumPath == o.mediumPath;
  }
};

std::ostream& operator<<(std::ostream& out, const Answer& a) {
  return out << a.status << " '" << a.mountPath.substr(0, 40) << "' (" << a.mountPath.size()
             << " bytes) " << a.medium << " '" << a.mediumPath.substr(0, 40) << "'";
}

Answer libraryAnswer(const std::string& table, const std::string& device) {
  Answer a{-1, "unchanged", false, "unchanged"};
  a.status = KX::internal::mountPathIn(table, device, &a.mountPath);
  a.medium = KX::internal::removableMediumIn(table, &a.mediumPath, "NO SD CARD FOUND!");
  return a;
}

// The same questions answered with getmntent's static entry, one thread only.
Answer getmntentAnswer(const std::string& table, const std::string& device) {
  Answer a{KX::KX_STATUS_NOT_FOUND, "undefined", false, "NO SD CARD FOUND!"};
  FILE* file = setmntent(table.c_str(), "r");
  while (const mntent* entry = getmntent(file)) {
    if (a.status != KX::KX_STATUS_OK && device == entry->mnt_fsname) {
      a = {KX::KX_STATUS_OK, entry->mnt_dir, a.medium, a.mediumPath};
    }
    if (!a.medium && std::string(entry->mnt_dir).find("usbsd") != std::string::npos) {
      a.medium = true;
      a.mediumPath = entry->mnt_dir;
    }
  }
  endmntent(file);
  return a;
}

std::string repeat(char c, std::size_t n) { return std::string(n, c); }

}  // namespace

TEST(System, MountTableLinesLongerThanTheBuffer) {
  const std::string longDevice = "/dev/" + repeat('d', 5000);
  const std::string longDir = "/mnt/" + repeat('m', 5000);
  const std::string next = "/dev/next /mnt/next ext4 rw 0 0\n";
  // The rest of a cut line looks like an entry: "/dev/ghost /media/usbsd-ghost".
  const std::string ghost = " /dev/ghost /media/usbsd-ghost tmpfs rw 0 0";
  const struct {
    const char* name;
    std::string table;
    std::vector<std::string> devices;  // queried, with what a known answer expects
    std::string device;
    int status;
    std::string mountPath;
  } cases[] = {
      {"long options",
       "/dev/a /mnt/a ext4 rw," + repeat('o', 9000) + ghost + "\n" + next,
       {"/dev/a", "/dev/ghost"},
       "/dev/next",
       KX::KX_STATUS_OK,
       "/mnt/next"},
      {"options end at the cut",
       "/dev/a /mnt/a ext4 " + repeat('o', 4095 - 19) + ghost + "\n" + next,
       {"/dev/a", "/dev/ghost"},
       "/dev/a",
       KX::KX_STATUS_OK,
       "/mnt/a"},
      {"line of 4095 bytes",
       "/dev/a /mnt/a ext4 " + repeat('o', 4095 - 19 - 4) + " 0 0\n" + next,
       {"/dev/a"},
       "/dev/next",
       KX::KX_STATUS_OK,
       "/mnt/next"},
      {"line of 4096 bytes",
       "/dev/a /mnt/a ext4 " + repeat('o', 4096 - 19 - 4) + " 0 0\n" + next,
       {"/dev/a"},
       "/dev/next",
       KX::KX_STATUS_OK,
       "/mnt/next"},
      {"long mount point",
       "/dev/a " + longDir + "usbsd ext4 rw 0 0\n" + next,
       {"/dev/a"},
       "/dev/next",
       KX::KX_STATUS_OK,
       "/mnt/next"},
      {"long device",
       longDevice + " /media/usbsd1 vfat rw 0 0\n" + next,
       {longDevice, longDevice.substr(0, 4095)},
       "/dev/ghost",
       KX::KX_STATUS_NOT_FOUND,
       "undefined"},
      {"long comment",
       "#" + repeat('c', 6000) + ghost + "\n" + next,
       {"/dev/ghost"},
       "/dev/next",
       KX::KX_STATUS_OK,
       "/mnt/next"},
  };
  for (const auto& c : cases) {
    const std::string table = kxtest::scratchFile(c.table);
    std::vector<std::string> devices = c.devices;
    devices.push_back(c.device);
    for (const std::string& device : devices) {
      EXPECT_EQ(libraryAnswer(table, device), getmntentAnswer(table, device))
          << c.name << ", device " << device.substr(0, 40);
    }
    const Answer known = libraryAnswer(table, c.device);
    EXPECT_EQ(known.status, c.status) << c.name;
    EXPECT_EQ(known.mountPath, c.mountPath) << c.name;
  }
  kxtest::scratchFile(std::nullopt);
}
