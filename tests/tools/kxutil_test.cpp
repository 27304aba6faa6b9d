// kxutil run as a process, through the shell and the target's emulator, on the commands of
// tests/data/tools/commands.txt (which tells its placeholders and fields).
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <CLI/Error.hpp>
#include <fstream>

#include "exit_status.h"
#include "scratch_file.h"
#include "test_file.h"

namespace {

using namespace KX;
using namespace kxutil;
using CLI::ExitCodes;

// Whether text is pattern, in which "..." stands for any text.
bool matches(const std::string& text, const std::string& pattern) {
  const auto dots = pattern.find("...");
  if (dots == pattern.npos) return text == pattern;
  if (text.compare(0, dots, pattern, 0, dots) != 0) return false;
  for (auto at = dots; at <= text.size(); ++at) {
    if (matches(text.substr(at), pattern.substr(dots + 3))) return true;
  }
  return false;
}

void run(const std::string& file, std::vector<std::pair<std::string, std::string>> placeholders) {
#define KX_STATUS(name) {"{" #name "}", std::to_string(static_cast<int>(name))}
  // clang-format off
  placeholders.insert(placeholders.end(), {
      KX_STATUS(KX_STATUS_OK), KX_STATUS(KX_STATUS_OPEN_FAILED), KX_STATUS(KX_STATUS_NOT_FOUND),
      KX_STATUS(KX_STATUS_INVALID_ARGUMENT), KX_STATUS(kExitNoValue), KX_STATUS(kExitMalformed),
      KX_STATUS(kExitBadBase64), KX_STATUS(kExitBadLength), KX_STATUS(kExitBadPadding),
      KX_STATUS(ExitCodes::ValidationError), KX_STATUS(ExitCodes::RequiredError),
      KX_STATUS(ExitCodes::ExtrasError), {"{data}", KX_TEST_DATA_DIR "/tools"},
      {"{version}", KXUTIL_VERSION}, {"{nl}", "\n"}, {"{cr}", "\r"}, {"{tab}", "\t"},
      // A hang (a read that never ends) fails the case instead of the whole test run.
      {"{kxutil}", "timeout 60 " KX_TARGET_EMULATOR " '" KXUTIL_PATH "'"}});
  // clang-format on
#undef KX_STATUS
  kxtest::TestFile::forEach(file, [&](kxtest::Record& r) {
    std::string command = r.text("Command"), status = "{" + r.text("Status") + "}";
    std::string out = r.has("Out") ? r.text("Out") : "", err = r.has("Err") ? r.text("Err") : "";
    if (command.find("{kxutil}") == command.npos) command = "{kxutil} " + command;
    for (std::string* field : {&command, &status, &out, &err}) {
      for (const auto& [name, value] : placeholders) {
        for (auto at = field->find(name); at != field->npos;
             at = field->find(name, at + value.size()))
          field->replace(at, name.size(), value);
      }
    }
    FILE* pipe = popen(("{ " + command + "; } 2>" + kxtest::scratchPath()).c_str(), "r");
    std::string got;
    for (int ch; (ch = std::fgetc(pipe)) != EOF;) got += static_cast<char>(ch);
    const int exit = pclose(pipe);
    std::ifstream errors(kxtest::scratchPath());
    const std::string gotErr{std::istreambuf_iterator<char>(errors), {}};
    EXPECT_EQ(std::to_string(WIFEXITED(exit) ? WEXITSTATUS(exit) : -1), status);
    EXPECT_TRUE(matches(got, out)) << "standard output: " << got;
    EXPECT_NE(gotErr.find(err), gotErr.npos) << "standard error: " << gotErr;
  });
  kxtest::scratchFile(std::nullopt);
}

}  // namespace

TEST(Kxutil, Commands) {
  std::string device, mountPoint;
  std::ifstream("/proc/mounts") >> device >> mountPoint;
  std::remove("kx_fifo");
  ASSERT_EQ(mkfifo("kx_fifo", 0600), 0);
  run("tools/commands.txt", {{"{device}", device}, {"{mount}", mountPoint}});
  EXPECT_EQ(std::system("rm -f kx_fifo kx_tmp*"), 0);
}

// Run by the test kxutil.odd_mount inside a private mount namespace, which names a directory of
// its own in KX_LARGE_FS_DIR.
TEST(Kxutil, OddMount) {
  const char* dir = std::getenv("KX_LARGE_FS_DIR");
  if (dir == nullptr) GTEST_SKIP() << "runs inside kxutil.odd_mount";
  run("tools/odd_mount.txt", {{"{dir}", dir}});
}
