#include <gtest/gtest.h>

#include <string>

#include "system/system_internal.h"

namespace {

using KX::internal::mountPathIn;
using KX::internal::removableMediumIn;

const std::string kSdCardTable = KX_TEST_DATA_DIR "/system/mounts_sdcard.txt";
const std::string kNoMediumTable = KX_TEST_DATA_DIR "/system/mounts_no_medium.txt";
const std::string kMissingTable = KX_TEST_DATA_DIR "/system/no_such_table";

struct MountCase {
  const char* name;
  std::string table;
  std::string device;
  int status;
  std::string mountPath;  // after the call, starting from "unchanged"
};

class MountPathTest : public ::testing::TestWithParam<MountCase> {};

TEST_P(MountPathTest, FindsTheFirstEntryOfTheDevice) {
  const MountCase& c = GetParam();
  std::string mountPath = "unchanged";
  EXPECT_EQ(mountPathIn(c.table, c.device, &mountPath), c.status);
  EXPECT_EQ(mountPath, c.mountPath);
}

INSTANTIATE_TEST_SUITE_P(
    Tables, MountPathTest,
    ::testing::Values(
        MountCase{"SdCard", kSdCardTable, "/dev/mmcblk0p1", 0, "/media/usbsd1"},
        MountCase{"RootDevice", kSdCardTable, "/dev/root", 0, "/"},
        MountCase{"ListedTwiceEarlierWins", kSdCardTable, "/dev/sda1", 0, "/mnt/data"},
        MountCase{"EscapedBlankDecoded", kSdCardTable, "/dev/sdb1", 0, "/media/My Stick"},
        MountCase{"PrefixDoesNotMatch", kSdCardTable, "/dev/sda", 23, "undefined"},
        MountCase{"OtherCaseDoesNotMatch", kSdCardTable, "/dev/MMCBLK0P1", 23, "undefined"},
        MountCase{"MountPointIsNotADevice", kSdCardTable, "/mnt/data", 23, "undefined"},
        MountCase{"EmptyDevice", kSdCardTable, "", 23, "undefined"},
        MountCase{"TableMissing", kMissingTable, "/dev/root", 16, "unchanged"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MountPath, NullOutputReturnsInvalidArgumentBeforeReading) {
  // 20, not 16: the missing table is never opened.
  EXPECT_EQ(mountPathIn(kMissingTable, "/dev/root", nullptr), 20);
  EXPECT_EQ(mountPathIn(kSdCardTable, "/dev/root", nullptr), 20);
}

struct MediumCase {
  const char* name;
  std::string table;
  bool mounted;
  std::string sdText;   // what the SD-card wording leaves in the output
  std::string usbText;  // what the USB-stick wording leaves in the output
};

class RemovableMediumTest : public ::testing::TestWithParam<MediumCase> {};

TEST_P(RemovableMediumTest, LooksForTheMarkerInMountPoints) {
  const MediumCase& c = GetParam();
  std::string dir = "unchanged";
  EXPECT_EQ(removableMediumIn(c.table, &dir, "NO SD CARD FOUND!"), c.mounted);
  EXPECT_EQ(dir, c.sdText);
  dir = "unchanged";
  EXPECT_EQ(removableMediumIn(c.table, &dir, "NO USB STICK FOUND!"), c.mounted);
  EXPECT_EQ(dir, c.usbText);
  EXPECT_EQ(removableMediumIn(c.table, nullptr, "NO SD CARD FOUND!"), c.mounted);
}

INSTANTIATE_TEST_SUITE_P(
    Tables, RemovableMediumTest,
    ::testing::Values(MediumCase{"SdCard", kSdCardTable, true, "/media/usbsd1", "/media/usbsd1"},
                      // USBSD, usb-sd, and a device (not a mount point) named usbsd.
                      MediumCase{"OnlyNearMisses", kNoMediumTable, false, "NO SD CARD FOUND!",
                                 "NO USB STICK FOUND!"},
                      MediumCase{"TableMissing", kMissingTable, false, "NO SD CARD FOUND!",
                                 "NO USB STICK FOUND!"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
