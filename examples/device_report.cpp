// A report on the device: the kernel's build date, the removable medium, the
// space on the root file system and on the medium, and where the devices
// named on the command line are mounted.
// Usage: device_report [DEVICE...]
#include <KXAPI/KXOSBuildDate.h>
#include <KXAPI/KXStatus.h>
#include <KXAPI/KXStorage.h>

#include <iomanip>
#include <iostream>
#include <string>

namespace {

void printBuildDate() {
  const int month = KX::getOSBuildMonth();  // -1: no date at the end of /proc/version
  if (month < 0) {
    std::cout << "kernel built: unknown\n";
    return;
  }
  std::cout << "kernel built: " << KX::getOSBuildYear() << '-' << std::setfill('0') << std::setw(2)
            << month << '-' << std::setw(2) << KX::getOSBuildDay() << std::setfill(' ') << '\n';
}

void printSpace(const std::string& path) {
  const int total = KX::getDiskSpace(KX::TOTAL_SPACE, path);  // MiB, -1 on failure
  if (total < 0) {
    std::cout << path << ": no file system\n";
    return;
  }
  std::cout << path << ": " << total << " MiB total, " << KX::getDiskSpace(KX::FREE_SPACE, path)
            << " MiB free, " << KX::getDiskSpace(KX::USED_SPACE, path) << " MiB used\n";
}

void printMountPoint(const std::string& device) {
  std::string mountPoint;
  switch (KX::getMountPath(device, &mountPoint)) {
    case KX::KX_STATUS_OK:
      std::cout << device << " is mounted on " << mountPoint << '\n';
      break;
    case KX::KX_STATUS_NOT_FOUND:
      std::cout << device << " is not mounted\n";
      break;
    default:
      std::cout << "the mount table cannot be read\n";
  }
}

}  // namespace

int main(int argc, char** argv) {
  printBuildDate();

  // The medium's mount point, or a not-found text; decide by the result.
  std::string medium;
  const bool mounted = KX::isAnSDCardMounted(&medium);
  std::cout << "SD card: " << (mounted ? medium : "none") << '\n';

  printSpace("/");
  if (mounted) printSpace(medium);

  for (int i = 1; i < argc; ++i) printMountPoint(argv[i]);
  return 0;
}
