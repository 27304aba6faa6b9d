#ifndef KXUTIL_SPACE_H
#define KXUTIL_SPACE_H

#include <string>

#include "json.h"

namespace kxutil {

// The three figures of the file system holding a path, in MiB; -1 where the
// library could not get one.
struct SpaceFigures {
  long long total;
  long long free;
  long long used;

  bool valid() const { return total >= 0 && free >= 0 && used >= 0; }
};

// querySpace asks the library for the figures. The library's figures stop at
// INT_MAX MiB (2 PiB); those are worked out here from statvfs in 64 bits by
// the library's rule, so that a larger file system shows its real size.
SpaceFigures querySpace(const std::string& path);

// addSpaceMembers adds "total_mib", "free_mib" and "used_mib" to object, all
// null when a figure is missing.
void addSpaceMembers(Json& object, const SpaceFigures& figures);

}  // namespace kxutil

#endif
