#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "KXAPI/KXPackageVersion.h"
#include "error_recorder.h"
#include "scratch_dir.h"

namespace {

using kxtest::ErrorReport;
using kxtest::errorReports;

// Major "01" right after the marker, minor "07" at offset 26 and build
// "0815" at offset 40 from the marker's start; 45 characters in all.
const std::string kLine = "Version Major=\"01\" Minor=\"07\" BuildNum=\"0815\"";

struct VersionCase {
  const char* name;
  std::string content;
  std::string expected;
};

class PackageVersionTest : public ::testing::TestWithParam<VersionCase> {};

TEST_P(PackageVersionTest, ReadsTheFirstMarkerLine) {
  const VersionCase& c = GetParam();
  kxtest::ScratchDir dir;
  const std::string path = dir.write("version", c.content);
  errorReports().clear();
  EXPECT_EQ(KX::retrievePackageVersion(path), c.expected);
  EXPECT_TRUE(errorReports().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PackageVersionTest,
    ::testing::Values(
        VersionCase{"ThirdLine", "[package]\nName=\"kx\"\n" + kLine + "\n", "01-07-0815"},
        VersionCase{"Indented", "[package]\n    " + kLine + "\n", "01-07-0815"},
        VersionCase{"LaterLinesIgnored", kLine + "\n" + "Version Major=\"99\"\nx", "01-07-0815"},
        VersionCase{"MarkerTwice", kLine + " Version Major=\"22\" Minor=\"33\"\n", "01-07-0815"},
        VersionCase{
            "FieldsNotExamined",
            "Version Major=\"ab" + std::string(9, '.') + "cd" + std::string(12, '.') + "efgh\n",
            "ab-cd-efgh"},
        VersionCase{"NoFinalLineFeed", "[package]\n" + kLine, "undefined"},
        VersionCase{"EmptyFile", "", "undefined"},
        VersionCase{"NoMarker", "Version Minor=\"01\"\nMajor=\"01\"\n", "undefined"},
        VersionCase{"MarkerInOtherCase", "version major=\"01\" Minor=\"07\" BuildNum=\"0815\"\n",
                    "undefined"},
        VersionCase{"BuildCutAtLineEnd", kLine.substr(0, 42) + "\n", "01-07-08"},
        VersionCase{"BuildStartsAtLineEnd", kLine.substr(0, 40) + "\n", "01-07-"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PackageVersion, ShortMarkerLineThrowsOutOfRange) {
  kxtest::ScratchDir dir;
  for (std::size_t length : {20u, 30u, 39u}) {
    const std::string path = dir.write("version", "x\n" + kLine.substr(0, length) + "\n");
    EXPECT_THROW(KX::retrievePackageVersion(path), std::out_of_range) << length;
  }
}

TEST(PackageVersion, MissingFileIsNotFoundWithOneReport) {
  kxtest::ScratchDir dir;
  const std::string path = dir.path() + "/absent";
  errorReports().clear();
  EXPECT_EQ(KX::retrievePackageVersion(path), "NOTFOUND");
  EXPECT_EQ(errorReports(), (std::vector<ErrorReport>{{16, "Error opening file " + path}}));
}

}  // namespace
