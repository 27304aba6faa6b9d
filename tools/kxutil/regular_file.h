#ifndef KXUTIL_REGULAR_FILE_H
#define KXUTIL_REGULAR_FILE_H

#include <string>

namespace kxutil {

// notRegularFile returns "<path> is not a regular file" when path names
// something else (a FIFO, a device, a directory): reading it could wait for a
// writer forever or never end. Otherwise it returns an empty string: for a
// regular file (the files under /proc and /sys are regular files), and for a
// path that does not exist, which is left to the library to report.
std::string notRegularFile(const std::string& path);

}  // namespace kxutil

#endif
