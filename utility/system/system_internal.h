#ifndef KXAPI_UTILITY_SYSTEM_SYSTEM_INTERNAL_H
#define KXAPI_UTILITY_SYSTEM_SYSTEM_INTERNAL_H

// Internal pieces of the device and system information functions. The public
// functions read fixed kernel files; these take the path (or the statvfs
// figures) instead, so that tests can feed prepared tables. They keep the
// library's hidden visibility and are not exported.

#include <cstdint>
#include <istream>
#include <string>

#include "KXAPI/KXStorage.h"

namespace KX::internal {

inline constexpr const char* kMountTablePath = "/proc/mounts";
inline constexpr const char* kKernelVersionPath = "/proc/version";

// Converts text with strtol(text, nullptr, 0), clamped to the int range so
// that 64-bit hosts give what the 32-bit device gives.
int toInt(const std::string& text);

// std::getline, except that an allocation failure reaches the caller as
// std::bad_alloc: the stream's own handler would swallow it, set badbit and
// leave a cut-off line behind, which the caller would take for the file's
// content. A read error still only sets badbit.
void getLinePassingBadAlloc(std::istream& in, std::string& line);

// getMountPath on the mount table at table.
int mountPathIn(const std::string& table, const std::string& device, std::string* mountPath);

// The removable-medium predicates on the mount table at table; notFound is
// stored in *mountDir (when not null) if no mount point holds the marker.
bool removableMediumIn(const std::string& table, std::string* mountDir, const char* notFound);

// getDiskSpace's figure from statvfs's f_bsize, f_blocks and f_bfree.
int diskSpaceFromFigures(StorageInfo which, std::uint64_t blockSize, std::uint64_t blocks,
                         std::uint64_t freeBlocks);

// The kernel build date components from the version file at path.
int buildDayFrom(const std::string& path);
int buildMonthFrom(const std::string& path);
int buildYearFrom(const std::string& path);

}  // namespace KX::internal

#endif
