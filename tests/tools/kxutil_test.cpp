// kxutil run as a process, through the shell and the target's emulator, on
// the cases in tests/data/tools/kxutil.txt.
#include <sys/stat.h>
#include <sys/wait.h>

#include <CLI/Error.hpp>
#include <map>

#include "KXAPI/KXAES.h"
#include "case_table.h"
#include "exit_status.h"

namespace {

using namespace KX;
using namespace kxutil;
using CLI::ExitCodes;

template <typename Status>
std::pair<const std::string, int> named(const char* name, Status status) {
  return {name, static_cast<int>(status)};
}
#define KX_NAMED(status) named(#status, status)

// The statuses that the table names.
const std::map<std::string, int> kStatuses{KX_NAMED(KX_STATUS_OK),
                                           KX_NAMED(KX_STATUS_OPEN_FAILED),
                                           KX_NAMED(KX_STATUS_NOT_FOUND),
                                           KX_NAMED(KX_STATUS_INVALID_ARGUMENT),
                                           KX_NAMED(kExitNoValue),
                                           KX_NAMED(kExitMalformed),
                                           KX_NAMED(kExitBadBase64),
                                           KX_NAMED(kExitBadLength),
                                           KX_NAMED(kExitBadPadding),
                                           KX_NAMED(ExitCodes::ValidationError),
                                           KX_NAMED(ExitCodes::RequiredError),
                                           KX_NAMED(ExitCodes::ExtrasError)};

// kxutil through the emulator; a hang (a read that never ends) fails the case
// instead of the whole test run.
const std::string kKxutil = "timeout 60 " KX_TARGET_EMULATOR " '" KXUTIL_PATH "'";

void replaceAll(std::string& text, const std::string& name, const std::string& value) {
  for (auto at = text.find(name); at != text.npos; at = text.find(name, at + value.size())) {
    text.replace(at, name.size(), value);
  }
}

}  // namespace

TEST(Kxutil, Commands) {
  std::string device, mountPoint;  // the first entry of the real mount table
  std::ifstream("/proc/mounts") >> device >> mountPoint;
  std::remove("kx_fifo");
  ASSERT_EQ(mkfifo("kx_fifo", 0600), 0);
  const std::vector<std::pair<std::string, std::string>> placeholders{
      {"{data}", KX_TEST_DATA_DIR "/tools"},
      {"{device}", device},
      {"{mount}", mountPoint},
      {"{fifo}", "kx_fifo"},
      {"{tmp1}", "kx_tmp1"},
      {"{tmp2}", "kx_tmp2"},
      {"{tmp3}", "kx_tmp3"},
      {"{version}", KXUTIL_VERSION}};
  for (kxtest::Case c : kxtest::readCases("tools/kxutil.txt")) {
    for (std::string& field : c) {
      for (const auto& [name, value] : placeholders) replaceAll(field, name, value);
    }
    if (c[3] == "AES") {  // the library's encryption of the input with the key
      KX::KXAES aes;
      EXPECT_EQ(aes.startEncryption(c[5]) + aes.encrypt(c[6]), 0);
      c[3] = aes.getEncryptedData() + "\n";
    }
    std::string command = c[1];
    if (command.find("{kxutil}") == command.npos) command = "{kxutil} " + command;
    replaceAll(command, "{kxutil}", kKxutil);
    FILE* pipe = popen(("{ " + command + "; } 2>" + kxtest::kScratch).c_str(), "r");
    std::string out;
    for (int ch; (ch = std::fgetc(pipe)) != EOF;) out += static_cast<char>(ch);
    const int status = pclose(pipe);
    std::ifstream errors(kxtest::kScratch);
    const std::string err{std::istreambuf_iterator<char>(errors), {}};
    // Expected output ending in "..." gives its start only; starting with
    // "..." a part of it.
    const std::string dots = "...";
    if (c[3].size() > 3 && c[3].compare(c[3].size() - 3, 3, dots) == 0) {
      out = out.substr(0, c[3].size() - 3) + dots;
    } else if (c[3].size() > 3 && c[3].compare(0, 3, dots) == 0) {
      out = out.find(c[3].substr(3)) != out.npos ? c[3] : out;
    }
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, kStatuses.at(c[2])) << c[0];
    EXPECT_EQ(out, c[3]) << c[0];
    EXPECT_NE(err.find(c[4]), err.npos) << c[0] << ", standard error: " << err;
  }
  kxtest::scratchFile("MISSING");
  for (const char* file : {"kx_fifo", "kx_tmp1", "kx_tmp2", "kx_tmp3"}) std::remove(file);
}
