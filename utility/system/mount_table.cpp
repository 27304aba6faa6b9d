// Mount-table queries: where a device is mounted, and whether a removable
// medium (recognised by "usbsd" in its mount point) is mounted.
#include <mntent.h>

#include <cstdio>

#include "KXAPI/KXStatus.h"
#include "KXAPI/KXStorage.h"
#include "system/system_internal.h"

namespace KX {

namespace {

constexpr const char* kRemovableMarker = "usbsd";

// glibc's getmntent reads every line into one 4096-byte buffer per process.
// Each reader here has a buffer of its own of the same size, so that any
// number of threads can walk tables at once and every line gives what
// getmntent gave: a longer line is cut at the same place and the rest of it
// skipped.
constexpr int kLineBufferSize = 4096;

// Owns a mount-table handle so that it is closed on every path, exceptions
// from the string copies included. The entry and the line it points into live
// in the object, so a walk shares nothing with other threads.
class MountTable {
public:
  explicit MountTable(const std::string& path) : file_(setmntent(path.c_str(), "r")) {}
  ~MountTable() {
    if (file_ != nullptr) {
      endmntent(file_);
    }
  }
  MountTable(const MountTable&) = delete;
  MountTable& operator=(const MountTable&) = delete;

  bool isOpen() const { return file_ != nullptr; }
  // The next entry in file order, or null at the end of the table.
  const mntent* next() { return getmntent_r(file_, &entry_, line_, sizeof line_); }

private:
  FILE* file_;
  mntent entry_{};
  char line_[kLineBufferSize];
};

}  // namespace

namespace internal {

int mountPathIn(const std::string& table, const std::string& device, std::string* mountPath) {
  if (mountPath == nullptr) {
    return KX_STATUS_INVALID_ARGUMENT;
  }
  MountTable mounts(table);
  if (!mounts.isOpen()) {
    return KX_STATUS_OPEN_FAILED;
  }
  while (const mntent* entry = mounts.next()) {
    // The earliest line wins when a device is mounted at several places.
    if (device == entry->mnt_fsname) {
      *mountPath = entry->mnt_dir;
      return KX_STATUS_OK;
    }
  }
  *mountPath = "undefined";
  return KX_STATUS_NOT_FOUND;
}

bool removableMediumIn(const std::string& table, std::string* mountDir, const char* notFound) {
  bool found = false;
  {
    MountTable mounts(table);
    if (mounts.isOpen()) {
      while (const mntent* entry = mounts.next()) {
        const std::string dir = entry->mnt_dir;
        if (dir.find(kRemovableMarker) != std::string::npos) {
          found = true;
          if (mountDir != nullptr) {
            *mountDir = dir;
          }
          break;
        }
      }
    }
  }
  if (!found && mountDir != nullptr) {
    *mountDir = notFound;
  }
  return found;
}

}  // namespace internal

// NOLINTNEXTLINE(performance-unnecessary-value-param): the ABI passes the string by value
int getMountPath(std::string device, std::string* mountPath) {
  return internal::mountPathIn(internal::kMountTablePath, device, mountPath);
}

bool isAnSDCardMounted(std::string* mountDir) {
  return internal::removableMediumIn(internal::kMountTablePath, mountDir, "NO SD CARD FOUND!");
}

// SD cards and USB sticks are mounted under the same marker, so the test is
// the same; only the not-found text differs.
bool isAnUSBStickMounted(std::string* mountDir) {
  return internal::removableMediumIn(internal::kMountTablePath, mountDir, "NO USB STICK FOUND!");
}

}  // namespace KX
