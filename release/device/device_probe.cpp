// The library's answers on the booted board, one line each, for the host to
// set beside the board's own view (/proc/version, /proc/mounts, stat -f):
//   date DAY MONTH YEAR
//   sd RESULT TEXT          (RESULT 1 or 0; TEXT the mount point or the not-found text)
//   usb RESULT TEXT
//   mount DEVICE STATUS TEXT
//   space PATH TOTAL FREE USED
// Usage: device_probe [DEVICE | PATH]...: a name under /dev/ is a device,
// anything else a path whose file system is measured.
#include <KXAPI/KXOSBuildDate.h>
#include <KXAPI/KXStorage.h>

#include <iostream>
#include <string>

int main(int argc, char** argv) {
  std::cout << "date " << KX::getOSBuildDay() << ' ' << KX::getOSBuildMonth() << ' '
            << KX::getOSBuildYear() << '\n';
  std::string card = "unchanged", stick = "unchanged";
  const bool cardMounted = KX::isAnSDCardMounted(&card);
  const bool stickMounted = KX::isAnUSBStickMounted(&stick);
  std::cout << "sd " << cardMounted << ' ' << card << '\n'
            << "usb " << stickMounted << ' ' << stick << '\n';
  for (int i = 1; i < argc; ++i) {
    const std::string name = argv[i];
    if (name.rfind("/dev/", 0) == 0) {
      std::string mountPath = "unchanged";
      const int status = KX::getMountPath(name, &mountPath);
      std::cout << "mount " << name << ' ' << status << ' ' << mountPath << '\n';
    } else {
      std::cout << "space " << name << ' ' << KX::getDiskSpace(KX::TOTAL_SPACE, name) << ' '
                << KX::getDiskSpace(KX::FREE_SPACE, name) << ' '
                << KX::getDiskSpace(KX::USED_SPACE, name) << '\n';
    }
  }
  return 0;
}
