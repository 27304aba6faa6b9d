#ifndef KX_TESTS_SUPPORT_PRIVATE_MOUNTS_H
#define KX_TESTS_SUPPORT_PRIVATE_MOUNTS_H

#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <optional>
#include <string>

namespace kxtest {

// Bind-mounts mountsFile over the calling process's own /proc/<pid>/mounts,
// which /proc/mounts and /proc/self/mounts name for it and, since exec keeps
// the pid, for a program it execs. Needs a private mount namespace.
inline bool bindOverOwnMounts(const std::string& mountsFile) {
  const std::string own = "/proc/" + std::to_string(getpid()) + "/mounts";
  return mount(mountsFile.c_str(), own.c_str(), nullptr, MS_BIND, nullptr) == 0;
}

// Runs body in a forked child that has a private mount namespace in which
// versionFile is bind-mounted over /proc/version and mountsFile over the
// child's /proc/mounts. Processes that body forks see the fake version file
// but must call bindOverOwnMounts themselves.
inline std::optional<std::string> runWithFakeProcFiles(const std::string& versionFile,
                                                       const std::string& mountsFile,
                                                       const std::function<std::string()>& body) {
  constexpr int kNotPermitted = 3;
  int fds[2];
  if (pipe(fds) != 0) {
    return std::nullopt;
  }
  const pid_t child = fork();
  if (child < 0) {
    return std::nullopt;
  }
  if (child == 0) {
    close(fds[0]);
    if (unshare(CLONE_NEWNS) != 0 ||
        mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        mount(versionFile.c_str(), "/proc/version", nullptr, MS_BIND, nullptr) != 0 ||
        !bindOverOwnMounts(mountsFile)) {
      _exit(kNotPermitted);
    }
    const std::string out = body();
    const ssize_t written = write(fds[1], out.data(), out.size());
    _exit(written == static_cast<ssize_t>(out.size()) ? 0 : 4);
  }
  close(fds[1]);
  std::string out;
  char buffer[4096];
  ssize_t n;
  while ((n = read(fds[0], buffer, sizeof buffer)) > 0) {
    out.append(buffer, static_cast<std::size_t>(n));
  }
  close(fds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  if (WIFEXITED(status) && WEXITSTATUS(status) == kNotPermitted) {
    return std::nullopt;
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    return "child failed, wait status " + std::to_string(status);
  }
  return out;
}

}  // namespace kxtest

#endif
