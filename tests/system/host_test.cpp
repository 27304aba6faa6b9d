// The public functions on the machine that runs the tests, checked against
// sources that do not go through the library.
#include <gtest/gtest.h>
#include <sys/statvfs.h>
#include <sys/utsname.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include "KXAPI/KXOSBuildDate.h"
#include "KXAPI/KXStorage.h"

namespace {

// The fromEnd-th piece of text split at single blanks, counted from the end
// (last = 1), found by walking backwards over the blanks.
std::optional<std::string> pieceFromEnd(const std::string& text, int fromEnd) {
  if (text.empty()) {
    return std::nullopt;
  }
  std::size_t end = text.size();
  for (int i = 1;; ++i) {
    const std::size_t blank = end == 0 ? std::string::npos : text.rfind(' ', end - 1);
    const std::size_t begin = blank == std::string::npos ? 0 : blank + 1;
    if (i == fromEnd) {
      return text.substr(begin, end - begin);
    }
    if (blank == std::string::npos) {
      return std::nullopt;
    }
    end = blank;
  }
}

int scanNumber(const std::optional<std::string>& piece) {
  int value = 0;
  if (!piece) {
    return -1;
  }
  std::sscanf(piece->c_str(), "%i", &value);  // base detection like strtol's base 0
  return value;
}

int monthOf(const std::optional<std::string>& piece) {
  const std::string names = "JanFebMarAprMayJunJulAugSepOctNovDec";
  if (!piece || piece->size() != 3) {
    return -1;
  }
  const std::size_t at = names.find(*piece);
  return at != std::string::npos && at % 3 == 0 ? static_cast<int>(at / 3) + 1 : -1;
}

TEST(HostBuildDate, AgreesWithUnameVersion) {
  utsname uts{};
  ASSERT_EQ(uname(&uts), 0);
  const std::string version = uts.version;
  std::string line;
  std::getline(std::ifstream("/proc/version"), line);
  // The kernel ends its version line with uname's version string; take the
  // pieces from that string, and from the line only where it is too short.
  ASSERT_GE(line.size(), version.size());
  ASSERT_EQ(line.substr(line.size() - version.size()), version);
  const auto piece = [&](int k) {
    const auto fromUname = pieceFromEnd(version, k);
    return fromUname ? fromUname : pieceFromEnd(line, k);
  };
  EXPECT_EQ(KX::getOSBuildDay(), scanNumber(piece(4)));
  EXPECT_EQ(KX::getOSBuildMonth(), monthOf(piece(5)));
  EXPECT_EQ(KX::getOSBuildYear(), scanNumber(piece(1)));
}

// Undoes the octal escapes (\040 for a blank) of a mount-table field.
std::string unescape(const std::string& field) {
  std::string out;
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size()) {
      out += static_cast<char>(std::stoi(field.substr(i + 1, 3), nullptr, 8));
      i += 3;
    } else {
      out += field[i];
    }
  }
  return out;
}

TEST(HostMounts, FirstEntryOfTheRealTable) {
  std::ifstream table("/proc/mounts");
  std::string device, dir;
  ASSERT_TRUE(table >> device >> dir);
  std::string mountPath;
  EXPECT_EQ(KX::getMountPath(unescape(device), &mountPath), 0);
  EXPECT_EQ(mountPath, unescape(dir));

  EXPECT_EQ(KX::getMountPath("/dev/kx-no-such-device", &mountPath), 23);
  EXPECT_EQ(mountPath, "undefined");
  EXPECT_EQ(KX::getMountPath(unescape(device), nullptr), 20);
}

TEST(HostMounts, PredicatesAgreeWithTheRealTable) {
  std::ifstream table("/proc/mounts");
  std::string line;
  std::optional<std::string> medium;
  while (!medium && std::getline(table, line)) {
    std::istringstream fields(line);
    std::string device, dir;
    fields >> device >> dir;
    if (unescape(dir).find("usbsd") != std::string::npos) {
      medium = unescape(dir);
    }
  }
  std::string sd, usb;
  EXPECT_EQ(KX::isAnSDCardMounted(&sd), medium.has_value());
  EXPECT_EQ(KX::isAnUSBStickMounted(&usb), medium.has_value());
  EXPECT_EQ(sd, medium.value_or("NO SD CARD FOUND!"));
  EXPECT_EQ(usb, medium.value_or("NO USB STICK FOUND!"));
  EXPECT_EQ(KX::isAnSDCardMounted(), medium.has_value());
}

TEST(HostDiskSpace, RootAgreesWithStatvfs) {
  const int total = KX::getDiskSpace(KX::TOTAL_SPACE, "/");
  const int free = KX::getDiskSpace(KX::FREE_SPACE, "/");
  const int used = KX::getDiskSpace(KX::USED_SPACE, "/");
  ASSERT_GT(total, 0);
  EXPECT_LE(free, total);
  EXPECT_LE(used, total);
  EXPECT_GE(total - free - used, 0);
  EXPECT_LE(total - free - used, 1);

  // Free space moves while other tests write: compare in a quiet moment.
  for (int attempt = 0; attempt < 20; ++attempt) {
    struct statvfs before {
    }, after{};
    ASSERT_EQ(statvfs("/", &before), 0);
    const int freeNow = KX::getDiskSpace(KX::FREE_SPACE, "/");
    ASSERT_EQ(statvfs("/", &after), 0);
    if (before.f_bfree != after.f_bfree) {
      continue;
    }
    const std::uint64_t size = before.f_bsize;
    EXPECT_EQ(total, static_cast<int>(size * before.f_blocks / 1048576));
    EXPECT_EQ(freeNow, static_cast<int>(size * before.f_bfree / 1048576));
    return;
  }
  GTEST_SKIP() << "free space of / kept changing";
}

TEST(HostDiskSpace, FailuresGiveMinusOne) {
  EXPECT_EQ(KX::getDiskSpace(KX::TOTAL_SPACE, "/kx/no/such/path"), -1);
  EXPECT_EQ(KX::getDiskSpace(static_cast<KX::StorageInfo>(3), "/"), -1);
}

}  // namespace
