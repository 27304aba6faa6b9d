// The readers, version lookup, mount tables, build date and disk figures on
// the case tables in tests/data/system/; the public functions on this
// machine's own kernel files; the backtrace listing.
#include <execinfo.h>
#include <gtest/gtest.h>
#include <sys/statvfs.h>
#include <sys/utsname.h>

#include <cstring>
#include <iostream>

#include "KXAPI/KXBacktrace.h"
#include "KXAPI/KXFileReader.h"
#include "KXAPI/KXOSBuildDate.h"
#include "KXAPI/KXPackageVersion.h"
#include "KXPlatform/KXError.h"
#include "case_table.h"
#include "system/system_internal.h"

using kxtest::Case;

// The library's reports since the last look, "<code> <message>;" each, with
// the scratch file's path as {file}: this program's own KX::kxPrintError
// takes the platform library's place.
std::string recorded;
void KX::kxPrintError(int code, std::string message) {
  const std::size_t at = message.find(kxtest::kScratch);
  if (at != std::string::npos) message.replace(at, kxtest::kScratch.size(), "{file}");
  recorded += std::to_string(code) + " " + message + ";";
}

namespace {

std::string str(int value) { return std::to_string(value); }

std::string table(const std::string& name) { return KX_TEST_DATA_DIR "/system/" + name; }

TEST(System, FileReaders) {
  kxtest::runCases("system/readers.txt", [](const Case& c) {
    const std::string path = kxtest::scratchFile(c[1]);
    std::string text = "unchanged";
    int number = 77;
    const int status = KX::readStringFromFile(path, &text);
    const std::string report = std::exchange(recorded, "");
    EXPECT_EQ(KX::readIntegerFromFile(path, &number), status) << c[0];
    EXPECT_EQ(std::exchange(recorded, ""), report) << c[0];
    EXPECT_EQ(KX::getLineFromFile(path), status == 0 ? text : "") << c[0];
    // Refused before the file is opened; getLineFromFile is silent.
    EXPECT_EQ(KX::readStringFromFile(path, nullptr), 20);
    EXPECT_EQ(KX::readIntegerFromFile(path, nullptr), 20);
    EXPECT_EQ(std::exchange(recorded, ""), "") << c[0];
    return Case{c[0], c[1], str(status), text, str(number), report};
  });
}

TEST(System, PackageVersion) {
  kxtest::runCases("system/package_version.txt", [](const Case& c) {
    std::string result = "OUT_OF_RANGE";
    try {
      result = KX::retrievePackageVersion(kxtest::scratchFile(c[1]));
    } catch (const std::out_of_range&) {
    }
    return Case{c[0], c[1], result, std::exchange(recorded, "")};
  });
}

TEST(System, BuildDateMountTablesAndDiskFigures) {
  using namespace KX::internal;
  kxtest::runCases("system/build_date.txt", [](const Case& c) {
    const std::string path = kxtest::scratchFile(c[1]);
    return Case{c[0], c[1], str(buildDayFrom(path)), str(buildMonthFrom(path)),
                str(buildYearFrom(path))};
  });
  kxtest::runCases("system/mount_path.txt", [](const Case& c) {
    std::string mountPath = "unchanged";
    const int status = mountPathIn(table(c[1]), c[2], &mountPath);
    EXPECT_EQ(mountPathIn(table(c[1]), c[2], nullptr), 20) << c[0];  // before opening
    return Case{c[0], c[1], c[2], str(status), mountPath};
  });
  kxtest::runCases("system/removable_medium.txt", [](const Case& c) {
    std::string dir = "unchanged";
    const bool mounted = removableMediumIn(table(c[1]), &dir, "NO SD CARD FOUND!");
    EXPECT_EQ(removableMediumIn(table(c[1]), nullptr, "x"), mounted) << c[0];
    return Case{c[0], c[1], str(mounted), dir};
  });
  kxtest::runCases("system/disk_space.txt", [](const Case& c) {
    Case result(c.begin(), c.begin() + 4);
    for (int which : {0, 1, 2, 3}) {
      result.push_back(str(diskSpaceFromFigures(static_cast<KX::StorageInfo>(which),
                                                std::stoull(c[1]), std::stoull(c[2]),
                                                std::stoull(c[3]))));
    }
    return result;
  });
}

// The kernel's version line ends with uname's version, "... Tue Mar 8
// 10:11:12 CET 2011": pieces between single blanks, counted from the end.
TEST(System, HostBuildDateAgreesWithUname) {
  utsname uts{};
  ASSERT_EQ(uname(&uts), 0);
  std::string line;
  std::getline(std::ifstream("/proc/version"), line);
  ASSERT_EQ(line.substr(line.size() - std::strlen(uts.version)), uts.version);
  std::vector<std::string> pieces;
  std::istringstream version(line);
  for (std::string piece; std::getline(version, piece, ' ');) pieces.push_back(piece);
  const std::string month = pieces.at(pieces.size() - 5);
  const std::size_t at = std::string("JanFebMarAprMayJunJulAugSepOctNovDec").find(month);
  const bool named = month.size() == 3 && at != std::string::npos && at % 3 == 0;
  EXPECT_EQ(KX::getOSBuildMonth(), named ? static_cast<int>(at / 3) + 1 : -1);
  EXPECT_EQ(KX::getOSBuildDay(), std::strtol(pieces[pieces.size() - 4].c_str(), nullptr, 0));
  EXPECT_EQ(KX::getOSBuildYear(), std::strtol(pieces.back().c_str(), nullptr, 0));
}

TEST(System, HostMountTableAndDiskSpace) {
  std::ifstream in("/proc/mounts");
  const std::string all{std::istreambuf_iterator<char>(in), {}};
  std::string device, dir, mountPath, sd, usb;
  ASSERT_TRUE(std::istringstream(all) >> device >> dir);
  EXPECT_EQ(KX::getMountPath(device, &mountPath), 0);
  EXPECT_EQ(mountPath, dir);  // as long as the names need no escapes
  EXPECT_EQ(KX::getMountPath("/dev/kx-no-such-device", &mountPath), 23);
  EXPECT_EQ(mountPath, "undefined");
  EXPECT_EQ(KX::getMountPath(device, nullptr), 20);
  if (all.find("usbsd") == std::string::npos) {
    EXPECT_FALSE(KX::isAnSDCardMounted(&sd) || KX::isAnUSBStickMounted(&usb));
    EXPECT_EQ(sd + usb, "NO SD CARD FOUND!NO USB STICK FOUND!");
  }
  const int total = KX::getDiskSpace(KX::TOTAL_SPACE, "/");
  const int unaccounted =
      total - KX::getDiskSpace(KX::FREE_SPACE, "/") - KX::getDiskSpace(KX::USED_SPACE, "/");
  struct statvfs figures {};
  ASSERT_EQ(statvfs("/", &figures), 0);
  EXPECT_EQ(total, static_cast<int>(std::uint64_t{figures.f_bsize} * figures.f_blocks >> 20));
  EXPECT_TRUE(unaccounted == 0 || unaccounted == 1) << unaccounted;
  EXPECT_EQ(KX::getDiskSpace(KX::TOTAL_SPACE, "/kx/no/such/path"), -1);
  EXPECT_EQ(KX::getDiskSpace(static_cast<KX::StorageInfo>(3), "/"), -1);
}

}  // namespace

// Recurses levels times, then counts the entries of its own stack walk in
// *walked and calls the printer. The program exports its symbols, so these
// frames carry the name.
extern "C" __attribute__((noinline)) int kxTestRecurse(int levels, int depth, int skip,
                                                       int* walked) {
  if (levels > 0) {
    const int inner = kxTestRecurse(levels - 1, depth, skip, walked);
    asm volatile("" ::: "memory");  // keeps the call out of tail position
    return inner + 1;
  }
  void* frames[KX::kMaxBacktraceFrames];
  *walked = backtrace(frames, KX::kMaxBacktraceFrames);
  KX::printBacktrace(depth, skip);
  return 0;
}

namespace {

// The listing of the printer called levels + 1 frames of kxTestRecurse deep,
// checked for the heading, count lines "\t#<n> " and a last "\t..." if cut;
// count -1: every frame that the walk holds.
std::vector<std::string> expectListing(int levels, int depth, int skip, int count, bool cut) {
  std::ostringstream captured;
  std::streambuf* const saved = std::cerr.rdbuf(captured.rdbuf());
  volatile int args[3] = {levels, depth, skip};  // no copies specialised for constants
  int walked = 0;
  kxTestRecurse(args[0], args[1], args[2], &walked);
  std::cerr.rdbuf(saved);
  if (count < 0) count = walked + 1 - skip;  // the printer's frame, then the caller's walk
  std::vector<std::string> lines;
  std::istringstream in(captured.str());
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  EXPECT_EQ(lines.size(), static_cast<std::size_t>(count + 1 + cut)) << captured.str();
  lines.resize(count + 2);
  EXPECT_EQ(lines[0], "\tBacktrace:");
  for (int n = 1; n <= count; ++n) EXPECT_EQ(lines[n].rfind("\t#" + str(n) + " ", 0), 0u);
  EXPECT_EQ(lines[count + 1], cut ? "\t..." : "");
  return lines;
}

TEST(System, BacktraceListings) {
  // A wrapper of backtrace() (AddressSanitizer's) adds entries before the
  // printer's own frame; the skip counts below add them.
  const auto all = expectListing(3, 200, 0, -1, false);
  const int wrapper =
      std::find_if(all.begin(), all.end(), [](const std::string& line) {
        return line.find("printBacktrace") != std::string::npos;
      }) - all.begin() - 1;
  ASSERT_LT(wrapper, 3);
  const auto deep = expectListing(20, 5, 1 + wrapper, 5, true);
  for (int n = 1; n <= 5; ++n) EXPECT_NE(deep[n].find("kxTestRecurse"), std::string::npos);
  EXPECT_NE(all[wrapper + 2].find("kxTestRecurse"), std::string::npos);
  for (int skip : {1, 2, 4}) {  // shallow: every frame, no cut
    const auto shallow = expectListing(3, 200, skip + wrapper, -1, false);
    EXPECT_NE(shallow[1].find("kxTestRecurse"), std::string::npos) << shallow[1];
  }
  expectListing(5, 0, 1, 0, true);
  expectListing(2, -3, -1, 0, true);  // negative counts as 0
  expectListing(0, 1, 250, 0, false);
  expectListing(300, 1000, 1, KX::kMaxBacktraceFrames - 1, true);  // cut at the limit
  expectListing(300, 2147483647, 2147483647, 0, true);
}

}  // namespace
