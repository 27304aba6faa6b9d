// The device and system queries, one test per API: the file readers, the version lookup, the
// build date, the mount table and the disk figures on files the tests write; the public
// functions on this machine's own kernel files; the backtrace listing.
#include <gtest/gtest.h>
#include <sys/utsname.h>

#include <ctime>
#include <optional>
#include <regex>

#include "KXAPI/KXBacktrace.h"
#include "KXAPI/KXFileReader.h"
#include "KXAPI/KXOSBuildDate.h"
#include "KXAPI/KXPackageVersion.h"
#include "KXAPI/KXStatus.h"
#include "KXPlatform/KXError.h"
#include "scratch_file.h"
#include "system/system_internal.h"

using namespace std::string_literals;
using namespace KX::internal;
using KX::KX_STATUS_INVALID_ARGUMENT;
using KX::KX_STATUS_NOT_FOUND;
using KX::KX_STATUS_OK;
using KX::KX_STATUS_OPEN_FAILED;
using kxtest::scratchFile;
using Lines = std::vector<std::string>;

namespace {

// One call of KX::kxPrintError.
struct Report {
  int code;
  std::string text;
  bool operator==(const Report& other) const { return code == other.code && text == other.text; }
};

void PrintTo(const Report& report, std::ostream* out) { *out << report.code << " " << report.text; }

// The library's reports since the last look.
std::vector<Report> reports;

std::vector<Report> takeReports() { return std::exchange(reports, {}); }

}  // namespace

// This program's own definition takes the platform library's place.
void KX::kxPrintError(int code, std::string text) { reports.push_back({code, text}); }

// Recurses levels times, then calls the printer. The program exports its symbols, so these
// frames carry the name.
extern "C" __attribute__((noinline)) int kxTestRecurse(int levels, int depth, int skip);
extern "C" __attribute__((noinline)) int kxTestRecurse(int levels, int depth, int skip) {
  if (levels > 0) {
    volatile int inner = kxTestRecurse(levels - 1, depth, skip);  // not a tail call
    return inner + 1;
  }
  KX::printBacktrace(depth, skip);
  return 0;
}

// readStringFromFile, readIntegerFromFile and getLineFromFile on one file; the outputs start as
// "unchanged" and 77. Both readers refuse a null output before the file is opened, so with no
// report; getLineFromFile is silent and gives "" for a missing file.
TEST(System, FileReaders) {
  const Report missing{KX_STATUS_OPEN_FAILED, "Error opening device file " + kxtest::scratchPath()};
  // clang-format off
  const struct {
    const char* name; std::optional<std::string> content;  // nullopt: no file
    int status; std::string line; int number; std::vector<Report> reports;
  } rows[] = {
      {"hexadecimal", "0x1F\n", KX_STATUS_OK, "0x1F", 31, {}},
      {"octal", "010\n", KX_STATUS_OK, "010", 8, {}},
      {"octal stops at 8", "08\n", KX_STATUS_OK, "08", 0, {}},
      {"blank and sign", " -5\n", KX_STATUS_OK, " -5", -5, {}},
      {"trailing letters", "12abc\n", KX_STATUS_OK, "12abc", 12, {}},
      {"no digits", "abc\n", KX_STATUS_OK, "abc", 0, {}},
      {"carriage return kept", "15\r\n", KX_STATUS_OK, "15\r", 15, {}},
      {"only the first line", "42\n7\n", KX_STATUS_OK, "42", 42, {}},
      {"no final line feed", "42", KX_STATUS_OK, "42", 42, {}},
      {"empty file", "", KX_STATUS_OK, "", 0, {}},
      {"empty first line", "\n9\n", KX_STATUS_OK, "", 0, {}},
      {"clamped above", "99999999999\n", KX_STATUS_OK, "99999999999", 2147483647, {}},
      {"clamped below", "-0x80000001\n", KX_STATUS_OK, "-0x80000001", -2147483647 - 1, {}},
      {"zero byte ends the number", "7\0" "8\n"s, KX_STATUS_OK, "7\0" "8"s, 7, {}},
      {"missing file", std::nullopt, KX_STATUS_OPEN_FAILED, "unchanged", 77, {missing, missing}},
  };
  // clang-format on
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const std::string path = scratchFile(row.content);
    std::string text = "unchanged";
    int number = 77;
    EXPECT_EQ(KX::readStringFromFile(path, &text), row.status);
    EXPECT_EQ(KX::readIntegerFromFile(path, &number), row.status);
    EXPECT_EQ(text, row.line);
    EXPECT_EQ(number, row.number);
    EXPECT_EQ(KX::getLineFromFile(path), row.content ? row.line : "");
    EXPECT_EQ(KX::readStringFromFile(path, nullptr), KX_STATUS_INVALID_ARGUMENT);
    EXPECT_EQ(KX::readIntegerFromFile(path, nullptr), KX_STATUS_INVALID_ARGUMENT);
    EXPECT_EQ(takeReports(), row.reports);
  }
}

// retrievePackageVersion: major right after the marker, minor at offset 26 and build at offset
// 40 from the marker's start, each cut at the line's end.
TEST(System, PackageVersion) {
  const std::string kThrows = "std::out_of_range";
  const std::string v = "Version Major=\"01\" Minor=\"07\" BuildNum=\"0815\"";
  // clang-format off
  const struct {
    const char* name; std::optional<std::string> content;  // nullopt: no file
    std::string version; std::vector<Report> reports;
  } rows[] = {
      {"third line", "[package]\nName=\"kx\"\n" + v + "\n", "01-07-0815", {}},
      {"indented", "[package]\n    " + v + "\n", "01-07-0815", {}},
      {"later lines ignored", v + "\nVersion Major=\"99\"\nx", "01-07-0815", {}},
      {"marker twice", v + " Version Major=\"22\" Minor=\"33\"\n", "01-07-0815", {}},
      {"fields not examined", "Version Major=\"ab.........cd............efgh\n", "ab-cd-efgh", {}},
      {"no final line feed", "[package]\n" + v, "undefined", {}},
      {"empty file", "", "undefined", {}},
      {"no marker", "Version Minor=\"01\"\nMajor=\"01\"\n", "undefined", {}},
      {"marker in other case", "version major" + v.substr(13) + "\n", "undefined", {}},
      {"build cut at the line's end", v.substr(0, 42) + "\n", "01-07-08", {}},
      {"build starts at the line's end", v.substr(0, 40) + "\n", "01-07-", {}},
      {"line ends before the build", "x\nVersion Major=\"01\" Minor=\"07\" Build\n", kThrows, {}},
      {"line ends before the minor", "x\nVersion Major=\"01\" M\n", kThrows, {}},
      {"missing file", std::nullopt, "NOTFOUND", {{KX_STATUS_OPEN_FAILED, "Error opening file " + kxtest::scratchPath()}}},
  };
  // clang-format on
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    std::string version;
    try {
      version = KX::retrievePackageVersion(scratchFile(row.content));
    } catch (const std::out_of_range&) {
      version = kThrows;
    }
    EXPECT_EQ(version, row.version);
    EXPECT_EQ(takeReports(), row.reports);
  }
}

// The kernel build date from the end of the first line of the version file, split at single
// blanks: month, day, time, zone, year.
TEST(System, BuildDate) {
  // clang-format off
  const struct {
    const char* name; std::optional<std::string> content;  // nullopt: no file
    int day, month, year;
  } rows[] = {
      {"one-digit day", "Linux version 2.6.37 (b@h) #1 Tue Mar 8 10:11:12 CET 2011\n", 8, 3, 2011},
      {"two-digit day", "Linux #1 PREEMPT Tue Mar 15 10:11:12 CET 2011\n", 15, 3, 2011},
      {"other month", "Linux version 2.6.37 #1 Sun Dec 31 23:59:59 UTC 2023\n", 31, 12, 2023},
      {"no final line feed", "Linux version 2.6.37 #1 Mon Jan 1 00:00:00 UTC 2024", 1, 1, 2024},
      {"only the first line", "Linux #1 Tue Mar 8 10:11:12 CET 2011\nFeb 2 x y 1999\n", 8, 3, 2011},
      {"two blanks before the day", "Linux #1 PREEMPT Tue Mar  8 10:11:12 CET 2011\n", 8, -1, 2011},
      {"leading zero, octal 07", "Linux #1 Tue Mar 07 10:11:12 CET 2011\n", 7, 3, 2011},
      {"leading zero, 08", "Linux #1 Tue Mar 08 10:11:12 CET 2011\n", 0, 3, 2011},
      {"four tokens", "8 10:11:12 CET 2011\n", 8, -1, 2011},
      {"three tokens", "10:11:12 CET 2011\n", -1, -1, 2011},
      {"month in capitals", "Linux #1 Tue MAR 8 10:11:12 CET 2011\n", 8, -1, 2011},
      {"trailing blank", "Linux #1 Tue Mar 8 10:11:12 CET 2011 \n", 10, -1, 0},
      {"not numbers", "Linux #1 Tue Mar x 10:11:12 CET y\n", 0, 3, 0},
      {"empty file", "", -1, -1, -1},
      {"empty first line", "\nLinux #1 Tue Mar 8 10:11:12 CET 2011\n", -1, -1, -1},
      {"missing file", std::nullopt, -1, -1, -1},
  };
  // clang-format on
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const std::string path = scratchFile(row.content);
    EXPECT_EQ(buildDayFrom(path), row.day);
    EXPECT_EQ(buildMonthFrom(path), row.month);
    EXPECT_EQ(buildYearFrom(path), row.year);
  }
  // Every month's English abbreviation, numbered as glibc's strptime numbers it.
  for (int month = 0; month < 12; ++month) {
    std::tm tm{};
    tm.tm_mon = month;
    char name[8];
    ASSERT_EQ(std::strftime(name, sizeof name, "%b", &tm), 3u);
    std::tm parsed{};
    ASSERT_NE(strptime(name, "%b", &parsed), nullptr);
    scratchFile("Linux #1 Tue "s + name + " 8 10:11:12 CET 2011\n");
    EXPECT_EQ(buildMonthFrom(kxtest::scratchPath()), parsed.tm_mon + 1) << name;
  }
  scratchFile(std::nullopt);
}

// getMountPath for the device and the SD-card predicate (a mount point holding "usbsd") on a
// mount table; both outputs start as "unchanged". A null output is refused before the table
// is opened.
TEST(System, MountTable) {
  const std::string sd =
      "/dev/root / ext4 rw,relatime 0 0\n"
      "proc /proc proc rw,nosuid,nodev,noexec,relatime 0 0\n"
      "/dev/sda1 /mnt/data ext4 rw,relatime 0 0\n"
      "/dev/mmcblk0p1 /media/usbsd1 vfat rw,relatime,fmask=0022 0 0\n"
      "/dev/sda1 /mnt/second ext4 rw,relatime 0 0\n"
      "/dev/sdb1 /media/My\\040Stick vfat rw,relatime 0 0\n"
      "/dev/sdc1 /media/usbsd2 vfat rw,relatime 0 0\n";
  const std::string misses =  // USBSD, usb-sd, a device named usbsd
      "/dev/root / ext4 rw,relatime 0 0\n"
      "/dev/sdb1 /media/USBSD vfat rw,relatime 0 0\n"
      "/dev/sdc1 /media/usb-sd vfat rw,relatime 0 0\n"
      "usbsd /mnt/plain tmpfs rw 0 0\n";
  const std::string noCard = "NO SD CARD FOUND!", card = "/media/usbsd1";
  // clang-format off
  const struct {
    const char* name; std::optional<std::string> table;  // nullopt: no file
    std::string device; int status; std::string mountPath; bool medium; std::string mediumPath;
  } rows[] = {
      {"SD card", sd, "/dev/mmcblk0p1", KX_STATUS_OK, card, true, card},
      {"root device", sd, "/dev/root", KX_STATUS_OK, "/", true, card},
      {"listed twice, earlier wins", sd, "/dev/sda1", KX_STATUS_OK, "/mnt/data", true, card},
      {"escaped blank decoded", sd, "/dev/sdb1", KX_STATUS_OK, "/media/My Stick", true, card},
      {"prefix does not match", sd, "/dev/sda", KX_STATUS_NOT_FOUND, "undefined", true, card},
      {"other case", sd, "/dev/MMCBLK0P1", KX_STATUS_NOT_FOUND, "undefined", true, card},
      {"a mount point", sd, "/mnt/data", KX_STATUS_NOT_FOUND, "undefined", true, card},
      {"empty device", sd, "", KX_STATUS_NOT_FOUND, "undefined", true, card},
      {"a device named usbsd", misses, "usbsd", KX_STATUS_OK, "/mnt/plain", false, noCard},
      {"empty table", "", "/dev/root", KX_STATUS_NOT_FOUND, "undefined", false, noCard},
      {"no table", std::nullopt, "/dev/root", KX_STATUS_OPEN_FAILED, "unchanged", false, noCard},
  };
  // clang-format on
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const std::string table = scratchFile(row.table);
    std::string mountPath = "unchanged", medium = "unchanged";
    EXPECT_EQ(mountPathIn(table, row.device, &mountPath), row.status);
    EXPECT_EQ(mountPath, row.mountPath);
    EXPECT_EQ(removableMediumIn(table, &medium, noCard.c_str()), row.medium);
    EXPECT_EQ(medium, row.mediumPath);
    EXPECT_EQ(mountPathIn(table, row.device, nullptr), KX_STATUS_INVALID_ARGUMENT);
    EXPECT_EQ(removableMediumIn(table, nullptr, "x"), row.medium);
  }
}

// getDiskSpace's figures in MiB from statvfs's block size, blocks and free blocks, each
// truncated on its own (3906 > 976 + 2929) and saturated at INT_MAX from 2^31 MiB on. The
// selector 3, the only other value the enumeration holds, gives -1.
TEST(System, DiskSpace) {
  // clang-format off
  const struct {
    const char* name; std::uint64_t blockSize, blocks, freeBlocks; int total, free, used;
  } rows[] = {
      {"typical", 4096, 1000000, 250000, 3906, 976, 2929},
      {"below one MiB", 4096, 255, 100, 0, 0, 0},
      {"exactly one MiB", 1024, 1024, 1024, 1, 1, 0},
      {"empty", 4096, 0, 0, 0, 0, 0},
      {"block counts above 2^32", 4096, 4294967552, 4294967296, 16777217, 16777216, 1},
      {"large blocks", 65536, 100000, 1, 6250, 0, 6249},
      {"one MiB short of 2^31 MiB", 1048576, 2147483647, 2147483647, 2147483647, 2147483647, 0},
      {"2^31 MiB saturates", 1048576, 2147483648, 1, 2147483647, 1, 2147483647},
      {"3 PiB tmpfs saturates", 4096, 824633720832, 824633720832, 2147483647, 2147483647, 0},
      {"4 PiB, used above 2 PiB", 4096, 1099511627776, 1, 2147483647, 0, 2147483647},
      {"product above 2^64", 18446744073709551615u, 2, 1, 2147483647, 2147483647, 2147483647},
      {"more free than total", 4096, 100, 300, 0, 1, 0},
      {"product wraps past 2^64 to 1 MiB", 1048576, 17592186044417, 0, 2147483647, 0, 2147483647},
  };
  // clang-format on
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const auto figure = [&row](int which) {
      return diskSpaceFromFigures(static_cast<KX::StorageInfo>(which), row.blockSize, row.blocks,
                                  row.freeBlocks);
    };
    EXPECT_EQ(figure(KX::TOTAL_SPACE), row.total);
    EXPECT_EQ(figure(KX::FREE_SPACE), row.free);
    EXPECT_EQ(figure(KX::USED_SPACE), row.used);
    EXPECT_EQ(figure(3), -1);
  }
}

// The kernel's version line ends with uname's version, "... Tue Mar 8 10:11:12 CET 2011":
// pieces between single blanks, counted from the end.
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
  EXPECT_EQ(KX::getMountPath(device, &mountPath), KX_STATUS_OK);
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

namespace {

// The lines that the printer writes levels + 1 frames of kxTestRecurse deep, checked for the
// heading, the numbering "\t#1 ", "\t#2 ", ... and "\t..." only as the last line.
Lines listing(int levels, int depth, int skip) {
  std::ostringstream captured;
  std::streambuf* const saved = std::cerr.rdbuf(captured.rdbuf());
  volatile int args[3] = {levels, depth, skip};  // no copies specialised for constants
  kxTestRecurse(args[0], args[1], args[2]);
  std::cerr.rdbuf(saved);
  Lines lines;
  std::istringstream in(captured.str());
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  EXPECT_EQ(lines.at(0), "\tBacktrace:");
  for (std::size_t n = 1; n < lines.size() - (lines.back() == "\t..."); ++n) {
    EXPECT_EQ(lines[n].rfind("\t#" + std::to_string(n) + " ", 0), 0u) << lines[n];
  }
  return lines;
}

}  // namespace

TEST(System, Backtrace) {
  const Lines all = listing(3, 200, 0);
  EXPECT_NE(all.back(), "\t...");
  // A wrapper of backtrace() (AddressSanitizer's) adds entries before the printer's own frame;
  // the skip counts below leave them out too.
  std::size_t wrapper = 0;
  while (all.at(wrapper + 1).find("printBacktrace") == std::string::npos) ++wrapper;
  const Lines deep = listing(20, 5, 1 + static_cast<int>(wrapper));
  EXPECT_EQ(deep.at(6), "\t...");
  for (std::size_t n = 1; n <= 5; ++n) EXPECT_NE(deep[n].find("kxTestRecurse"), std::string::npos);
  // A shallow stack: every frame, no "\t...".
  EXPECT_EQ(listing(3, 200, 2 + static_cast<int>(wrapper)).size(), all.size() - 2 - wrapper);
  EXPECT_EQ(listing(5, 0, 1), (Lines{"\tBacktrace:", "\t..."}));
  EXPECT_EQ(listing(2, -3, -1), (Lines{"\tBacktrace:", "\t..."}));  // negative counts as 0
  EXPECT_EQ(listing(300, 2147483647, 2147483647), (Lines{"\tBacktrace:", "\t..."}));
  EXPECT_EQ(listing(0, 1, 250), Lines{"\tBacktrace:"});
  // The walk stops at the limit.
  EXPECT_EQ(listing(300, 1000, 1).at(KX::kMaxBacktraceFrames), "\t...");
}
