// The device and system queries: the file readers, the build date, the mount table and the disk
// figures' guards on hand-made input; the backtrace listing. kxutil's version rows test the
// version lookup.
#include <gtest/gtest.h>

#include <climits>
#include <optional>
#include <regex>

#include "KXAPI/KXBacktrace.h"
#include "KXAPI/KXFileReader.h"
#include "KXAPI/KXStatus.h"
#include "KXAPI/KXStorage.h"
#include "KXPlatform/KXError.h"
#include "scratch_file.h"
#include "system/system_internal.h"

using namespace KX;
using namespace KX::internal;

// The outputs start as "unchanged" and 77; a null output is refused before the file is opened.
TEST(System, FileReaders) {
  const std::tuple<std::optional<std::string>, const char*, int> rows[] = {
      {std::nullopt, "unchanged", 77},
      {"010", "010", 8},
      {"99999999999\n", "99999999999", INT_MAX},
      {"-99999999999\n", "-99999999999", INT_MIN},
  };
  for (const auto& [content, line, integer] : rows) {
    const std::string path = kxtest::scratchFile(content);
    testing::internal::CaptureStderr();  // the platform library's reports
    const int status = content ? KX_STATUS_OK : KX_STATUS_OPEN_FAILED;
    std::string text = "unchanged";
    int number = 77;
    EXPECT_EQ(readStringFromFile(path, &text), status);
    EXPECT_EQ(readIntegerFromFile(path, &number), status);
    EXPECT_EQ(text, line);
    EXPECT_EQ(number, integer) << line;
    EXPECT_EQ(getLineFromFile(path), content ? text : "");
    EXPECT_EQ(readStringFromFile(path, nullptr), KX_STATUS_INVALID_ARGUMENT);
    EXPECT_EQ(readIntegerFromFile(path, nullptr), KX_STATUS_INVALID_ARGUMENT);
    const std::string missing = "KX error 16: Error opening device file " + path + "\n";
    EXPECT_EQ(testing::internal::GetCapturedStderr(), content ? "" : missing + missing);
  }
}

// "... <month> <day> <time> <zone> <year>", counted from the end at every single blank.
TEST(System, BuildDate) {
  const std::tuple<std::optional<std::string>, int, int, int> rows[] = {
      {"Linux version 6.1 #1 SMP Thu Jan 9 10:11:12 UTC 2025\n", 9, 1, 2025},
      {"Dec 31 00:00:00 UTC 1999", 31, 12, 1999},  // the first token counts too
      {"Sep  5 t z 2021", 5, -1, 2021},
      {"Foo 07 t z 2020", 7, -1, 2020},
      {"t z 2020", -1, -1, 2020},
      {std::nullopt, -1, -1, -1},
  };
  for (const auto& [content, day, month, year] : rows) {
    const std::string path = kxtest::scratchFile(content);
    EXPECT_EQ(buildDayFrom(path), day) << content.value_or("(none)");
    EXPECT_EQ(buildMonthFrom(path), month) << content.value_or("(none)");
    EXPECT_EQ(buildYearFrom(path), year) << content.value_or("(none)");
  }
}

// One table answers every query; both outputs start as "unchanged".
TEST(System, MountTable) {
  const std::string table = kxtest::scratchFile(
      "/dev/root / ext4 rw 0 0\n"
      "/dev/sda1 /media/usbsd0 vfat rw 0 0\n"
      "/dev/sda1 /mnt/second vfat rw 0 0\n"
      "/dev/mmc\\0401 /mnt/a\\040b ext4 rw 0 0\n");
  const std::tuple<std::string, int, std::string> rows[] = {
      {"/dev/root", KX_STATUS_OK, "/"},
      {"/dev/sda1", KX_STATUS_OK, "/media/usbsd0"},
      {"/dev/mmc 1", KX_STATUS_OK, "/mnt/a b"},
      {"/dev/sda", KX_STATUS_NOT_FOUND, "undefined"},
  };
  for (const auto& [device, status, expected] : rows) {
    std::string path = "unchanged";
    EXPECT_EQ(mountPathIn(table, device, &path), status);
    EXPECT_EQ(path, expected);
  }
  EXPECT_EQ(mountPathIn(table, "/dev/root", nullptr), KX_STATUS_INVALID_ARGUMENT);
  std::string medium = "unchanged";
  EXPECT_TRUE(removableMediumIn(table, &medium, "none"));
  EXPECT_EQ(medium, "/media/usbsd0");
  std::string path = "unchanged";
  EXPECT_EQ(mountPathIn("kx/no/table", "/dev/root", &path), KX_STATUS_OPEN_FAILED);
  EXPECT_EQ(path, "unchanged");
  EXPECT_FALSE(removableMediumIn("kx/no/table", &medium, "none"));
  EXPECT_EQ(medium, "none");
}

// The guards of the MiB figures; the figures of real file systems, saturation included, are
// compared with statvfs's by tests/target.
TEST(System, DiskSpaceFigures) {
  EXPECT_EQ(diskSpaceFromFigures(USED_SPACE, 1 << 20, 100, 200), 0);  // more free than total
  EXPECT_EQ(diskSpaceFromFigures(TOTAL_SPACE, 0, 5, 1), 0);
  EXPECT_EQ(diskSpaceFromFigures(static_cast<StorageInfo>(3), 4096, 5, 1), -1);
  EXPECT_EQ(getDiskSpace(TOTAL_SPACE, "/kx/no/such/path"), -1);  // statvfs fails
}

// Recurses 20 times, then lists the stack.
extern "C" __attribute__((noinline)) int kxTestRecurse(int levels, int depth, int skip);
// NOLINTNEXTLINE(misc-no-recursion): the listing needs a stack of known depth
extern "C" __attribute__((noinline)) int kxTestRecurse(int levels, int depth, int skip) {
  if (levels > 0) {
    volatile int inner = kxTestRecurse(levels - 1, depth, skip);  // not a tail call
    return inner + 1;
  }
  printBacktrace(depth, skip);
  return 0;
}

// The heading, then a numbered line a frame from the skip-th on (the printer's own first, after
// the sanitizer's interceptor of backtrace where there is one), then "\t..." when the walk
// stopped at depth + skip (or 256) frames; negative counts count as 0. The program exports its
// symbols, so the 21 frames of the recursion carry its name; on ARM only where every frame has
// unwind tables.
TEST(System, Backtrace) {
  const std::tuple<int, int, std::string> rows[] = {
      {3, -5, R"(^\tBacktrace:\n\t#1 .*(\n\t#2 .*)?printBacktrace.*\n(\t#[23] .*\n)+\t\.\.\.\n$)"},
      {-1, 0, R"(^\tBacktrace:\n\t\.\.\.\n$)"},
      {200, 0, R"((\t#[0-9]+ .*kxTestRecurse.*\n){21}(\t#[0-9]+ .*\n)+$)"},
      {255, 1, R"(\n\t#255 .*\n\t\.\.\.\n$)"},
      {1, 250, R"(^\tBacktrace:\n$)"},
  };
  for (const auto& [depth, skip, pattern] : rows) {
    testing::internal::CaptureStderr();
    volatile int args[2] = {depth, skip};  // no copies specialised for constants
    kxTestRecurse(depth >= 255 ? 300 : 20, args[0], args[1]);
    const std::string listing = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(std::regex_search(listing, std::regex(pattern))) << pattern << "\n" << listing;
  }
}
