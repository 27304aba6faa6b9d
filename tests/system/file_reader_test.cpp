#include <dlfcn.h>
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "KXAPI/KXFileReader.h"
#include "KXPlatform/KXError.h"
#include "error_recorder.h"
#include "scratch_dir.h"

namespace {

using kxtest::ErrorReport;
using kxtest::errorReports;

TEST(ErrorRecorder, InterposesThePlatformStandIn) {
  const char* name = "_ZN2KX12kxPrintErrorEiNSt7__cxx1112basic_stringIcSt11char_traitsIcESaIcEEE";
  void (*ours)(int, std::string) = &KX::kxPrintError;
  // The program's definition comes first in the global scope, and the
  // platform library still provides its own behind it.
  EXPECT_EQ(dlsym(RTLD_DEFAULT, name), reinterpret_cast<void*>(ours));
  void* standIn = dlsym(RTLD_NEXT, name);
  ASSERT_NE(standIn, nullptr);
  EXPECT_NE(standIn, reinterpret_cast<void*>(ours));
}

struct ReadCase {
  const char* name;
  std::string content;
  std::string text;  // first line, as readStringFromFile and getLineFromFile give it
  int number;        // as readIntegerFromFile gives it
};

class FileReaderTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(FileReaderTest, ReadsTheFirstLine) {
  const ReadCase& c = GetParam();
  kxtest::ScratchDir dir;
  const std::string path = dir.write("value", c.content);
  errorReports().clear();

  std::string text = "stale";
  int number = -12345;
  EXPECT_EQ(KX::readStringFromFile(path, &text), 0);
  EXPECT_EQ(text, c.text);
  EXPECT_EQ(KX::readIntegerFromFile(path, &number), 0);
  EXPECT_EQ(number, c.number);
  EXPECT_EQ(KX::getLineFromFile(path), c.text);
  EXPECT_TRUE(errorReports().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FileReaderTest,
    ::testing::Values(ReadCase{"Hexadecimal", "0x1F\n", "0x1F", 31},
                      ReadCase{"Octal", "010\n", "010", 8},
                      ReadCase{"OctalStopsAtEight", "08\n", "08", 0},
                      ReadCase{"BlankAndSign", " -5\n", " -5", -5},
                      ReadCase{"TrailingLetters", "12abc\n", "12abc", 12},
                      ReadCase{"NoDigits", "abc\n", "abc", 0},
                      ReadCase{"CarriageReturnKept", "15\r\n", "15\r", 15},
                      ReadCase{"OnlyFirstOfTwoLines", "42\n7\n", "42", 42},
                      ReadCase{"NoFinalLineFeed", "42", "42", 42}, ReadCase{"EmptyFile", "", "", 0},
                      ReadCase{"EmptyFirstLine", "\n9\n", "", 0},
                      ReadCase{"ClampedAbove", "99999999999\n", "99999999999", INT_MAX},
                      ReadCase{"ClampedBelow", "-0x80000001\n", "-0x80000001", INT_MIN},
                      ReadCase{"LargestInt", "2147483647\n", "2147483647", INT_MAX},
                      ReadCase{"ZeroByteEndsNumber",
                               std::string("7\0"
                                           "8\n",
                                           4),
                               std::string("7\0"
                                           "8",
                                           3),
                               7}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FileReader, MissingFileIsReportedOnceAndLeavesOutputs) {
  kxtest::ScratchDir dir;
  const std::string path = dir.path() + "/absent";
  const std::vector<ErrorReport> expected{{16, "Error opening device file " + path}};

  errorReports().clear();
  std::string text = "untouched";
  EXPECT_EQ(KX::readStringFromFile(path, &text), 16);
  EXPECT_EQ(text, "untouched");
  EXPECT_EQ(errorReports(), expected);

  errorReports().clear();
  int number = 77;
  EXPECT_EQ(KX::readIntegerFromFile(path, &number), 16);
  EXPECT_EQ(number, 77);
  EXPECT_EQ(errorReports(), expected);

  errorReports().clear();
  EXPECT_EQ(KX::getLineFromFile(path), "");
  EXPECT_TRUE(errorReports().empty());
}

TEST(FileReader, NullOutputReadsNothing) {
  kxtest::ScratchDir dir;
  errorReports().clear();
  // A missing file would be reported if it were opened.
  const std::string absent = dir.path() + "/absent";
  EXPECT_EQ(KX::readStringFromFile(absent, nullptr), 20);
  EXPECT_EQ(KX::readIntegerFromFile(absent, nullptr), 20);
  EXPECT_TRUE(errorReports().empty());
}

}  // namespace
