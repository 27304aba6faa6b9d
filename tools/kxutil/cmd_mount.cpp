// kxutil mount DEVICE: where a device is mounted.
#include <iostream>
#include <memory>
#include <string>

#include "KXAPI/KXStatus.h"
#include "KXAPI/KXStorage.h"
#include "commands.h"
#include "json.h"

namespace kxutil {

namespace {

struct MountOptions {
  std::string device;
  bool json = false;
};

int runMount(const MountOptions& options) {
  std::string mountPoint;
  const int status = KX::getMountPath(options.device, &mountPoint);
  if (options.json) {
    const bool mounted = status == KX::KX_STATUS_OK;
    printJson(Json{{"device", options.device},
                   {"status", status},
                   {"mounted", mounted},
                   {"mount_point", mounted ? Json(mountPoint) : Json(nullptr)}});
  } else if (status == KX::KX_STATUS_OK) {
    std::cout << options.device << " is mounted at " << mountPoint << "\n";
  }
  if (status == KX::KX_STATUS_NOT_FOUND) {
    std::cerr << "kxutil: " << options.device << " is not in the mount table /proc/mounts\n";
  } else if (status == KX::KX_STATUS_OPEN_FAILED) {
    std::cerr << "kxutil: cannot open the mount table /proc/mounts\n";
  }
  return status;
}

}  // namespace

void addMountCommand(CLI::App& app, int& status) {
  auto options = std::make_shared<MountOptions>();
  CLI::App* mount = app.add_subcommand("mount", "Print where a device is mounted");
  mount->footer(
      "Prints the mount point of the first entry of /proc/mounts for DEVICE. Exit status 0; "
      "16 if the mount table cannot be opened; 23 if DEVICE is not in it.");
  mount->add_option("DEVICE", options->device, "Device as listed in /proc/mounts, e.g. /dev/sda1")
      ->required();
  mount->add_flag("--json", options->json,
                  "Print one JSON object (bytes that are not UTF-8 become U+FFFD)");
  mount->callback([options, &status] { status = runMount(*options); });
}

}  // namespace kxutil
