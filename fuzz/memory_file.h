// A file in memory whose content each fuzz input replaces, for the library's
// functions that open a file by path: no disk writes, and nothing left behind.
#ifndef KX_FUZZ_MEMORY_FILE_H
#define KX_FUZZ_MEMORY_FILE_H

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

class MemoryFile {
public:
  MemoryFile() : fd_(memfd_create("kx-fuzz", 0)) {
    if (fd_ < 0) std::abort();
    path_ = "/proc/self/fd/" + std::to_string(fd_);
  }
  MemoryFile(const MemoryFile&) = delete;
  MemoryFile& operator=(const MemoryFile&) = delete;

  // Replaces the content with the size bytes at data; returns a path that
  // opens the file from its start.
  const std::string& fill(const std::uint8_t* data, std::size_t size) {
    if (ftruncate(fd_, 0) != 0) std::abort();
    for (std::size_t done = 0; done < size;) {
      const ssize_t n = pwrite(fd_, data + done, size - done, static_cast<off_t>(done));
      if (n <= 0) std::abort();
      done += static_cast<std::size_t>(n);
    }
    return path_;
  }

private:
  int fd_;
  std::string path_;
};

#endif
