// kxutil run as a process, through the shell and the target's emulator, on
// the cases in tests/data/tools/kxutil.txt.
#include <sys/wait.h>

#include "KXAPI/KXAES.h"
#include "case_table.h"

namespace {

std::string replaced(std::string text, const std::string& from, const std::string& to) {
  for (auto at = text.find(from); at != text.npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

TEST(Kxutil, Commands) {
  std::string device, mountPoint;  // the first entry of the real mount table
  std::ifstream("/proc/mounts") >> device >> mountPoint;
  for (kxtest::Case c : kxtest::readCases("tools/kxutil.txt")) {
    for (std::string& field : c) {
      field = replaced(replaced(field, "{data}", KX_TEST_DATA_DIR "/tools"), "{kxutil}", KXUTIL_PATH);
      field = replaced(replaced(field, "{device}", device), "{mount}", mountPoint);
    }
    if (c[3] == "AES") {  // the library's encryption of the input with the key
      KX::KXAES aes;
      EXPECT_EQ(aes.startEncryption(c[5]) + aes.encrypt(c[6]), 0);
      c[3] = aes.getEncryptedData() + "\n";
    }
    const std::string command =
        KX_TARGET_EMULATOR " '" KXUTIL_PATH "' " + c[1] + " 2>" + kxtest::kScratch;
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string out;
    for (int ch; (ch = std::fgetc(pipe)) != EOF;) out += static_cast<char>(ch);
    const int status = pclose(pipe);
    std::ifstream errors(kxtest::kScratch);
    const std::string err{std::istreambuf_iterator<char>(errors), {}};
    // Expected output ending in "..." gives its start only.
    if (c[3].size() > 3 && c[3].compare(c[3].size() - 3, 3, "...") == 0) {
      out = out.substr(0, c[3].size() - 3) + "...";
    }
    kxtest::Case result = c;
    result[2] = std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1);
    result[3] = out;
    if (err.find(c[4]) == std::string::npos) result[4] = "standard error: " + err;
    EXPECT_EQ(result, c);
  }
  kxtest::scratchFile("MISSING");
}

}  // namespace
