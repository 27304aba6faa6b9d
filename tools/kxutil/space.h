#ifndef KXUTIL_SPACE_H
#define KXUTIL_SPACE_H

#include <string>

#include "json.h"

namespace kxutil {

// The three figures of the file system holding a path, in MiB; -1 where the
// library could not get one.
struct SpaceFigures {
  int total;
  int free;
  int used;

  bool valid() const { return total >= 0 && free >= 0 && used >= 0; }
};

SpaceFigures querySpace(const std::string& path);

// Adds the members "total_mib", "free_mib" and "used_mib" to object, all
// null when a figure is missing.
void addSpaceMembers(JsonObject& object, const SpaceFigures& figures);

}  // namespace kxutil

#endif
