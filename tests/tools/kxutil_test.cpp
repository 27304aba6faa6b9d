// kxutil run as a process on prepared files: output, exit status, JSON.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "KXAPI/KXStorage.h"
#include "json_flatten.h"
#include "private_mounts.h"
#include "scratch_dir.h"

namespace {

struct Result {
  int status;
  std::string out;
  std::string err;
};

std::string slurp(const std::string& path) {
  std::ostringstream text;
  text << std::ifstream(path, std::ios::binary).rdbuf();
  return text.str();
}

// Runs kxutil with args; when mountsFile is given (inside a private mount
// namespace), kxutil sees it as /proc/mounts.
Result runKxutil(const std::vector<std::string>& args, const std::string& mountsFile = "") {
  kxtest::ScratchDir capture;
  const std::string outPath = capture.path() + "/out", errPath = capture.path() + "/err";
  const pid_t child = fork();
  if (child == 0) {
    if (!mountsFile.empty() && !kxtest::bindOverOwnMounts(mountsFile)) _exit(126);
    const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (out < 0 || err < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0) _exit(126);
    // The target's emulator, if any, runs kxutil in a cross build.
    std::vector<std::string> words;
    std::istringstream emulator(KX_TARGET_EMULATOR);
    for (std::string word; emulator >> word;) words.push_back(word);
    words.push_back(KXUTIL_PATH);
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& word : words) argv.push_back(&word[0]);
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, slurp(outPath), slurp(errPath)};
}

// Same line and offsets as the package version tests: 01-07-0815.
const std::string kVersionLine = "Version Major=\"01\" Minor=\"07\" BuildNum=\"0815\"\n";

class KxutilTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_.write("hex", "0x1F\n");
    dir_.write("crlf", "15\r\n");
    dir_.write("version", "[package]\n" + kVersionLine);
    dir_.write("noversion", "[package]\n");
    dir_.write("short", kVersionLine.substr(0, 30) + "\n");
  }
  std::string file(const std::string& name) const { return dir_.path() + "/" + name; }
  kxtest::ScratchDir dir_;
};

struct CommandCase {
  std::vector<std::string> args;  // "@" stands for the prepared files' directory
  int status;
  std::string out;  // exact standard output
  std::string err;  // contained in standard error
};

TEST_F(KxutilTest, CommandsOnPreparedFiles) {
  const std::vector<CommandCase> cases{
      {{"read", "@/hex"}, 0, "0x1F\n", ""},
      {{"read", "@/crlf"}, 0, "15\r\n", ""},
      {{"read-int", "@/hex"}, 0, "31\n", ""},
      {{"read-int", "@/crlf"}, 0, "15\n", ""},
      {{"read", "@/absent"}, 16, "", "Error opening device file @/absent"},
      {{"read-int", "@/absent"}, 16, "", "kxutil: cannot open @/absent"},
      {{"version", "@/version"}, 0, "Version: 01-07-0815\n", ""},
      {{"version", "@/noversion"}, 2, "", "no line with Version Major=\""},
      {{"version", "@/short"}, 3, "", "ends before its build field"},
      {{"version", "@/absent"}, 16, "", "Error opening file @/absent"},
      {{"mount", "/dev/kx-no-such-device"}, 23, "", "not in the mount table"},
      {{"df", "@/absent"}, 2, "", "cannot query the file system holding @/absent"},
      {{"backtrace", "--depth", "-1"}, 105, "", "not in range"},
      {{}, 106, "", "A subcommand is required"},
  };
  for (const CommandCase& c : cases) {
    std::vector<std::string> args;
    std::string shown;
    for (std::string arg : c.args) {
      if (arg.rfind('@', 0) == 0) arg = dir_.path() + arg.substr(1);
      shown += arg + " ";
      args.push_back(arg);
    }
    std::string err = c.err;
    if (err.find('@') != std::string::npos) err.replace(err.find('@'), 1, dir_.path());
    const Result r = runKxutil(args);
    EXPECT_EQ(r.status, c.status) << shown << r.err;
    EXPECT_EQ(r.out, c.out) << shown;
    EXPECT_NE(r.err.find(err), std::string::npos) << shown << r.err;
  }
}

TEST_F(KxutilTest, EveryCommandHasHelp) {
  for (const char* command : {"info", "mount", "df", "read", "read-int", "version", "backtrace"}) {
    const Result r = runKxutil({command, "--help"});
    EXPECT_EQ(r.status, 0) << command;
    EXPECT_NE(r.out.find(std::string("Usage: ") + KXUTIL_PATH + " " + command), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("Exit status"), std::string::npos) << r.out;
  }
}

TEST_F(KxutilTest, DfReportsTheLibraryFigures) {
  const int total = KX::getDiskSpace(KX::TOTAL_SPACE, dir_.path());
  const Result text = runKxutil({"df", dir_.path()});
  EXPECT_EQ(text.status, 0);
  std::ostringstream firstLines;
  firstLines << "File system holding " << dir_.path() << ":\n  Total: " << std::setw(10) << total
             << " MiB\n  Free:  ";
  EXPECT_EQ(text.out.rfind(firstLines.str(), 0), 0u) << text.out;
  EXPECT_NE(text.out.find(" MiB\n  Used:  "), std::string::npos) << text.out;

  const Result json = runKxutil({"df", "--json", dir_.path()});
  const auto values = kxtest::JsonFlattener::parse(json.out);
  ASSERT_TRUE(values) << json.out;
  EXPECT_EQ(values->at("path"), "\"" + dir_.path() + "\"");
  EXPECT_EQ(values->at("status"), "0");
  EXPECT_EQ(values->at("total_mib"), std::to_string(total));
  const int free = std::stoi(values->at("free_mib")), used = std::stoi(values->at("used_mib"));
  EXPECT_LE(total - free - used, 1);
  EXPECT_GE(total - free - used, 0);

  const auto failed = kxtest::JsonFlattener::parse(runKxutil({"df", "--json", "/kx/none"}).out);
  ASSERT_TRUE(failed);
  EXPECT_EQ(*failed, (std::map<std::string, std::string>{{"path", "\"/kx/none\""},
                                                         {"status", "2"},
                                                         {"total_mib", "null"},
                                                         {"free_mib", "null"},
                                                         {"used_mib", "null"}}));
}

TEST_F(KxutilTest, JsonEscapesAwkwardFileNames) {
  // A quote, a backslash, a tab and a byte that is not UTF-8 in the name.
  const std::string name = dir_.path() + "/we\"ird\\na\tme\xff";
  dir_.write("we\"ird\\na\tme\xff", kVersionLine);
  const Result r = runKxutil({"version", "--json", name});
  EXPECT_EQ(r.status, 0);
  const auto values = kxtest::JsonFlattener::parse(r.out);
  ASSERT_TRUE(values) << r.out;
  EXPECT_EQ(values->at("file"), "\"" + dir_.path() + "/we\"ird\\na\tme\xEF\xBF\xBD\"");
  EXPECT_EQ(values->at("version"), "\"01-07-0815\"");

  const auto missing = kxtest::JsonFlattener::parse(runKxutil({"version", "--json", "/x"}).out);
  ASSERT_TRUE(missing);
  EXPECT_EQ(missing->at("status"), "16");
  EXPECT_EQ(missing->at("version"), "null");
}

TEST_F(KxutilTest, MountOfARealDevice) {
  std::string device, dir;
  ASSERT_TRUE(std::ifstream("/proc/mounts") >> device >> dir);
  if (device.find('\\') != std::string::npos || dir.find('\\') != std::string::npos) {
    GTEST_SKIP() << "first mount-table entry has escapes";
  }
  const Result text = runKxutil({"mount", device});
  EXPECT_EQ(text.status, 0);
  EXPECT_EQ(text.out, device + " is mounted at " + dir + "\n");
  const auto values = kxtest::JsonFlattener::parse(runKxutil({"mount", "--json", device}).out);
  ASSERT_TRUE(values);
  EXPECT_EQ(*values, (std::map<std::string, std::string>{{"device", "\"" + device + "\""},
                                                         {"status", "0"},
                                                         {"mounted", "true"},
                                                         {"mount_point", "\"" + dir + "\""}}));
}

TEST_F(KxutilTest, BacktraceListsItsOwnStack) {
  const Result r = runKxutil({"backtrace", "--depth", "3"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err.rfind("\tBacktrace:\n\t#1 ", 0), 0u) << r.err;
  EXPECT_NE(r.err.find("\n\t#3 "), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("\n\t#4 "), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("\n\t...\n"), std::string::npos) << r.err;
}

// info end to end on fake /proc/version and /proc/mounts (needs root).
TEST_F(KxutilTest, InfoOnFakeProcFiles) {
  const std::string medium = dir_.path() + "/usbsd1";
  std::filesystem::create_directory(medium);
  const std::string version =
      dir_.write("procversion",
                 "Linux version 4.9.0 (b@h) (gcc 6.3) #1 PREEMPT Tue Mar 15 10:11:12 CET 2011\n");
  const std::string mounts = dir_.write(
      "procmounts", "/dev/root / ext4 rw 0 0\n/dev/mmcblk0p1 " + medium + " vfat rw 0 0\n");
  const auto runs = kxtest::runWithFakeProcFiles(version, mounts, [&] {
    const Result text = runKxutil({"info"}, mounts);
    const Result json = runKxutil({"info", "--json"}, mounts);
    return std::to_string(text.status) + "\n" + text.out + '\x1f' + json.out;
  });
  if (!runs) {
    GTEST_SKIP() << "no private mount namespace here (needs root)";
  }
  const std::string text = runs->substr(0, runs->find('\x1f'));
  EXPECT_EQ(text.rfind("0\nKernel build date:    2011-03-15\n"
                       "SD card / USB stick:  mounted at " +
                           medium + "\n",
                       0),
            0u)
      << text;
  EXPECT_NE(text.find("\n  " + medium + " "), std::string::npos) << text;

  const auto values = kxtest::JsonFlattener::parse(runs->substr(runs->find('\x1f') + 1));
  ASSERT_TRUE(values) << *runs;
  EXPECT_EQ(values->at("kernel_build_date.day"), "15");
  EXPECT_EQ(values->at("kernel_build_date.month"), "3");
  EXPECT_EQ(values->at("kernel_build_date.year"), "2011");
  EXPECT_EQ(values->at("removable_medium.mounted"), "true");
  EXPECT_EQ(values->at("removable_medium.mount_point"), "\"" + medium + "\"");
  EXPECT_EQ(values->at("space[0].path"), "\"/\"");
  EXPECT_EQ(values->at("space[1].path"), "\"" + medium + "\"");
  EXPECT_EQ(values->at("space[1].total_mib"),
            std::to_string(KX::getDiskSpace(KX::TOTAL_SPACE, medium)));
}

}  // namespace
