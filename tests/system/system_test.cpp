// The readers, version lookup, mount tables, build date and disk figures on
// the case tables in tests/data/system/; the public functions on this
// machine's own kernel files; the backtrace listing.
#include <gtest/gtest.h>
#include <sys/utsname.h>

#include <regex>

#include "KXAPI/KXBacktrace.h"
#include "KXAPI/KXFileReader.h"
#include "KXAPI/KXOSBuildDate.h"
#include "KXAPI/KXPackageVersion.h"
#include "KXPlatform/KXError.h"
#include "case_table.h"
#include "system/system_internal.h"

using kxtest::Case;

template <typename Number>
static std::string str(Number value) {
  return std::to_string(value);
}

// The library's reports since the last look, "<code> <message>;" each.
static std::string recorded;

// This program's own definition takes the platform library's place.
void KX::kxPrintError(int code, std::string text) { recorded += str(code) + ' ' + text + ';'; }

// Recurses levels times, then calls the printer. The program exports its
// symbols, so these frames carry the name.
extern "C" __attribute__((noinline)) int kxTestRecurse(int levels, int depth, int skip);
extern "C" __attribute__((noinline)) int kxTestRecurse(int levels, int depth, int skip) {
  if (levels > 0) {
    volatile int inner = kxTestRecurse(levels - 1, depth, skip);  // not a tail call
    return inner + 1;
  }
  KX::printBacktrace(depth, skip);
  return 0;
}

TEST(System, CaseTables) {
  using namespace KX::internal;
  kxtest::runCases("system/readers.txt", [](const Case& c) {
    const std::string path = kxtest::scratchFile(c[1]);
    std::string text = "unchanged";
    int number = 77;
    const int status = KX::readStringFromFile(path, &text);
    EXPECT_EQ(KX::readIntegerFromFile(path, &number), status) << c[0];
    EXPECT_EQ(KX::getLineFromFile(path), status == 0 ? text : "") << c[0];  // silent
    // Both refuse a null output (20) before the file is opened, so with no report.
    EXPECT_EQ(KX::readStringFromFile(path, nullptr), 20) << c[0];
    EXPECT_EQ(KX::readIntegerFromFile(path, nullptr), 20) << c[0];
    return Case{c[0], c[1], str(status), text, str(number), std::exchange(recorded, "")};
  });
  kxtest::runCases("system/package_version.txt", [](const Case& c) {
    std::string result = "OUT_OF_RANGE";
    try {
      result = KX::retrievePackageVersion(kxtest::scratchFile(c[1]));
    } catch (const std::out_of_range&) {
    }
    return Case{c[0], c[1], result, std::exchange(recorded, "")};
  });
  kxtest::runCases("system/build_date.txt", [](const Case& c) {
    const std::string path = kxtest::scratchFile(c[1]);
    return Case{c[0], c[1], str(buildDayFrom(path)), str(buildMonthFrom(path)),
                str(buildYearFrom(path))};
  });
  kxtest::runCases("system/mount_tables.txt", [](const Case& c) {
    const std::string table = KX_TEST_DATA_DIR "/system/" + c[1];
    std::string mountPath = "unchanged", medium = "unchanged";
    const int status = mountPathIn(table, c[2], &mountPath);
    const bool mounted = removableMediumIn(table, &medium, "NO SD CARD FOUND!");
    // A null output is refused before the table is opened.
    EXPECT_EQ(mountPathIn(table, c[2], nullptr), 20) << c[0];
    EXPECT_EQ(removableMediumIn(table, nullptr, "x"), mounted) << c[0];
    return Case{c[0], c[1], c[2], str(status), mountPath, str(mounted), medium};
  });
  kxtest::runCases("system/disk_space.txt", [](Case c) {
    for (std::size_t which : {0u, 1u, 2u, 3u}) {
      c[4 + which] =
          str(diskSpaceFromFigures(static_cast<KX::StorageInfo>(which), std::stoull(c[1]),
                                   std::stoull(c[2]), std::stoull(c[3])));
    }
    return c;
  });
}

// The kernel's version line ends with uname's version, "... Tue Mar 8
// 10:11:12 CET 2011": pieces between single blanks, counted from the end.
TEST(System, HostKernelFiles) {
  utsname uts{};
  ASSERT_EQ(uname(&uts), 0);
  std::string line;
  std::getline(std::ifstream("/proc/version"), line);
  ASSERT_EQ(line.substr(line.size() - std::string(uts.version).size()), uts.version);
  std::smatch date;  // pieces 5, 4 and 1 from the end: month, day, year
  ASSERT_TRUE(std::regex_search(line, date, std::regex(" ([^ ]*) ([^ ]*) [^ ]* [^ ]* ([^ ]*)$")));
  std::tm parsed{};  // glibc's reading of an abbreviated month name
  const char* end = strptime(date[1].str().c_str(), "%b", &parsed);
  EXPECT_EQ(KX::getOSBuildMonth(), end != nullptr && *end == '\0' ? parsed.tm_mon + 1 : -1);
  EXPECT_EQ(KX::getOSBuildDay(), std::strtol(date[2].str().c_str(), nullptr, 0));
  EXPECT_EQ(KX::getOSBuildYear(), std::strtol(date[3].str().c_str(), nullptr, 0));

  std::ifstream in("/proc/mounts");
  const std::string all{std::istreambuf_iterator<char>(in), {}};
  std::string device, dir, mountPath, sd, usb;
  ASSERT_TRUE(std::istringstream(all) >> device >> dir);
  EXPECT_EQ(KX::getMountPath(device, &mountPath), 0);
  EXPECT_EQ(mountPath, dir);  // as long as the names need no escapes
  if (all.find("usbsd") == std::string::npos) {
    EXPECT_FALSE(KX::isAnSDCardMounted(&sd) || KX::isAnUSBStickMounted(&usb));
    EXPECT_EQ(sd + usb, "NO SD CARD FOUND!NO USB STICK FOUND!");
  }
  const int total = KX::getDiskSpace(KX::TOTAL_SPACE, "/");
  const int unaccounted =
      total - KX::getDiskSpace(KX::FREE_SPACE, "/") - KX::getDiskSpace(KX::USED_SPACE, "/");
  EXPECT_TRUE(total > 0 && (unaccounted == 0 || unaccounted == 1)) << total << " " << unaccounted;
  EXPECT_EQ(KX::getDiskSpace(KX::TOTAL_SPACE, "/kx/no/such/path"), -1);
}

// The lines that the printer writes levels + 1 frames of kxTestRecurse deep,
// checked for the heading, the numbering "\t#1 ", "\t#2 ", ... and "\t..."
// only as the last line.
static Case listing(int levels, int depth, int skip) {
  std::ostringstream captured;
  std::streambuf* const saved = std::cerr.rdbuf(captured.rdbuf());
  volatile int args[3] = {levels, depth, skip};  // no copies specialised for constants
  kxTestRecurse(args[0], args[1], args[2]);
  std::cerr.rdbuf(saved);
  Case lines;
  std::istringstream in(captured.str());
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  EXPECT_EQ(lines.at(0), "\tBacktrace:");
  for (std::size_t n = 1; n < lines.size() - (lines.back() == "\t..."); ++n) {
    EXPECT_EQ(lines[n].rfind("\t#" + str(n) + " ", 0), 0u) << lines[n];
  }
  return lines;
}

TEST(System, BacktraceListings) {
  const Case all = listing(3, 200, 0);
  EXPECT_NE(all.back(), "\t...");
  // A wrapper of backtrace() (AddressSanitizer's) adds entries before the
  // printer's own frame; the skip counts below leave them out too.
  std::size_t wrapper = 0;
  while (all.at(wrapper + 1).find("printBacktrace") == std::string::npos) ++wrapper;
  const Case deep = listing(20, 5, 1 + static_cast<int>(wrapper));
  EXPECT_EQ(deep.at(6), "\t...");
  for (std::size_t n = 1; n <= 5; ++n) EXPECT_NE(deep[n].find("kxTestRecurse"), std::string::npos);
  // A shallow stack: every frame, no "\t...".
  EXPECT_EQ(listing(3, 200, 2 + static_cast<int>(wrapper)).size(), all.size() - 2 - wrapper);
  EXPECT_EQ(listing(5, 0, 1), (Case{"\tBacktrace:", "\t..."}));
  EXPECT_EQ(listing(2, -3, -1), (Case{"\tBacktrace:", "\t..."}));  // negative counts as 0
  EXPECT_EQ(listing(300, 2147483647, 2147483647), (Case{"\tBacktrace:", "\t..."}));
  EXPECT_EQ(listing(0, 1, 250), Case{"\tBacktrace:"});
  // The walk stops at the limit.
  EXPECT_EQ(listing(300, 1000, 1).at(KX::kMaxBacktraceFrames), "\t...");
}
