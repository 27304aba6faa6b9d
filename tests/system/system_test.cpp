// The device and system queries: the file readers, the version lookup, the build date, the
// mount table and the disk figures on the tables of tests/data/system/; the public functions on
// this machine's own kernel files; the backtrace listing.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

#include "KXAPI/KXBacktrace.h"
#include "KXAPI/KXFileReader.h"
#include "KXAPI/KXOSBuildDate.h"
#include "KXAPI/KXPackageVersion.h"
#include "KXAPI/KXStatus.h"
#include "KXAPI/KXStorage.h"
#include "KXPlatform/KXError.h"
#include "scratch_file.h"
#include "system/system_internal.h"
#include "test_file.h"

using namespace KX;
using namespace KX::internal;
using kxtest::Record;
using kxtest::TestFile;
using Lines = std::vector<std::string>;

namespace {

std::string reports;  // the texts of the library's reports since the last look, one a line

std::string takeReports() { return std::exchange(reports, {}); }

// The attribute's text with \n, \r, \0, \\ and \<count>*<character> (repeated) decoded.
std::string decoded(Record& r, const std::string& attribute) {
  const std::string& text = r.text(attribute);
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const std::size_t star = text.find_first_not_of("0123456789", i + 1);
    if (text[i] != '\\') {
      out += text[i];
    } else if (star > i + 1 && star < text.size() && text[star] == '*') {
      out.append(std::stoul(text.substr(i + 1, star - i - 1)), text.at(star + 1));
      i = star + 1;
    } else {
      const char c = text.at(++i);
      out += c == 'n' ? '\n' : c == 'r' ? '\r' : c == '0' ? '\0' : c;
    }
  }
  return out;
}

// Writes the record's Content to the test's scratch file, or removes the file when it has none.
std::string scratch(Record& r) {
  return kxtest::scratchFile(r.has("Content") ? std::optional(decoded(r, "Content"))
                                              : std::nullopt);
}

int status(Record& r) {
  static const std::map<std::string, int> names{{"OK", KX_STATUS_OK},
                                                {"OPEN_FAILED", KX_STATUS_OPEN_FAILED},
                                                {"NOT_FOUND", KX_STATUS_NOT_FOUND}};
  return names.at(r.text("Status"));
}

}  // namespace

// This program's own definition takes the platform library's place.
void KX::kxPrintError(int code, std::string text) {
  EXPECT_EQ(code, KX_STATUS_OPEN_FAILED) << text;  // the only report of these functions
  reports += text + "\n";
}

// Recurses levels times, then calls the printer. The program exports its symbols, so these
// frames carry the name.
extern "C" __attribute__((noinline)) int kxTestRecurse(int levels, int depth, int skip);
extern "C" __attribute__((noinline)) int kxTestRecurse(int levels, int depth, int skip) {
  if (levels > 0) {
    volatile int inner = kxTestRecurse(levels - 1, depth, skip);  // not a tail call
    return inner + 1;
  }
  printBacktrace(depth, skip);
  return 0;
}

// The outputs start as "unchanged" and 77. A null output is refused before the file is opened,
// so with no report; getLineFromFile is silent and gives "" for a missing file.
TEST(System, FileReaders) {
  TestFile::forEach("system/file_readers.txt", [](Record& r) {
    const std::string path = scratch(r);
    std::string text = "unchanged";
    int number = 77;
    EXPECT_EQ(readStringFromFile(path, &text), status(r));
    EXPECT_EQ(readIntegerFromFile(path, &number), status(r));
    EXPECT_EQ(text, decoded(r, "Line"));
    EXPECT_EQ(number, r.number("Number"));
    EXPECT_EQ(getLineFromFile(path), r.has("Content") ? text : "");
    EXPECT_EQ(readStringFromFile(path, nullptr), KX_STATUS_INVALID_ARGUMENT);
    EXPECT_EQ(readIntegerFromFile(path, nullptr), KX_STATUS_INVALID_ARGUMENT);
    const std::string missing = "Error opening device file " + path + "\n";
    EXPECT_EQ(takeReports(), r.has("Content") ? "" : missing + missing);
  });
}

TEST(System, PackageVersion) {
  TestFile::forEach("system/package_version.txt", [](Record& r) {
    const std::string path = scratch(r);
    std::string version;
    try {
      version = retrievePackageVersion(path);
    } catch (const std::out_of_range&) {
      version = "std::out_of_range";
    }
    EXPECT_EQ(version, r.text("Version"));
    EXPECT_EQ(takeReports(), r.has("Content") ? "" : "Error opening file " + path + "\n");
  });
}

TEST(System, BuildDate) {
  TestFile::forEach("system/build_date.txt", [](Record& r) {
    const std::string path = scratch(r);
    EXPECT_EQ(buildDayFrom(path), r.number("Day"));
    EXPECT_EQ(buildMonthFrom(path), r.number("Month"));
    EXPECT_EQ(buildYearFrom(path), r.number("Year"));
  });
}

// getMountPath for the device and the SD-card predicate on a mount table; both outputs start as
// "unchanged". A null output is refused before the table is opened.
TEST(System, MountTable) {
  TestFile::forEach("system/mount_tables.txt", [](Record& r) {
    const std::string table = scratch(r), device = decoded(r, "Device"), medium = r.text("Medium");
    const bool found = medium != "NO SD CARD FOUND!";
    std::string mountPath = "unchanged", mediumPath = "unchanged";
    EXPECT_EQ(mountPathIn(table, device, &mountPath), status(r));
    EXPECT_EQ(mountPath, decoded(r, "MountPath"));
    EXPECT_EQ(removableMediumIn(table, &mediumPath, "NO SD CARD FOUND!"), found);
    EXPECT_EQ(mediumPath, medium);
    EXPECT_EQ(mountPathIn(table, device, nullptr), KX_STATUS_INVALID_ARGUMENT);
    EXPECT_EQ(removableMediumIn(table, nullptr, "x"), found);
  });
}

TEST(System, DiskSpace) {
  TestFile::forEach("system/disk_space.txt", [](Record& r) {
    const auto figure = [&r](int which) {
      return diskSpaceFromFigures(static_cast<StorageInfo>(which), std::stoull(r.text("BlockSize")),
                                  std::stoull(r.text("Blocks")), std::stoull(r.text("FreeBlocks")));
    };
    EXPECT_EQ(figure(TOTAL_SPACE), r.number("Total"));
    EXPECT_EQ(figure(FREE_SPACE), r.number("Free"));
    EXPECT_EQ(figure(USED_SPACE), r.number("Used"));
    EXPECT_EQ(figure(3), -1);  // the only other value the enumeration holds
  });
}

// The public functions read this machine's kernel files.
TEST(System, HostKernelFiles) {
  EXPECT_EQ(getOSBuildDay(), buildDayFrom("/proc/version"));
  EXPECT_EQ(getOSBuildMonth(), buildMonthFrom("/proc/version"));
  EXPECT_EQ(getOSBuildYear(), buildYearFrom("/proc/version"));
  std::string device, mountPath = "unchanged", expected, sd, usb;
  ASSERT_TRUE(std::ifstream("/proc/mounts") >> device);
  EXPECT_EQ(getMountPath(device, &mountPath), mountPathIn("/proc/mounts", device, &expected));
  EXPECT_EQ(mountPath, expected);
  if (!removableMediumIn("/proc/mounts", nullptr, "")) {
    EXPECT_FALSE(isAnSDCardMounted(&sd) || isAnUSBStickMounted(&usb));
    EXPECT_EQ(sd + usb, "NO SD CARD FOUND!NO USB STICK FOUND!");
  }
  const int total = getDiskSpace(TOTAL_SPACE, "/");
  const int unaccounted = total - getDiskSpace(FREE_SPACE, "/") - getDiskSpace(USED_SPACE, "/");
  EXPECT_TRUE(total > 0 && (unaccounted == 0 || unaccounted == 1)) << total << " " << unaccounted;
  EXPECT_EQ(getDiskSpace(TOTAL_SPACE, "/kx/no/such/path"), -1);
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
  EXPECT_EQ(listing(300, 1000, 1).at(kMaxBacktraceFrames), "\t...");  // the walk stops there
}
