// kxutil run as a process, through the shell and the target's emulator, on
// the cases in tests/data/tools/kxutil.txt.
#include <sys/wait.h>

#include "KXAPI/KXAES.h"
#include "case_table.h"

TEST(Kxutil, Commands) {
  std::string device, mountPoint;  // the first entry of the real mount table
  std::ifstream("/proc/mounts") >> device >> mountPoint;
  const std::vector<std::pair<std::string, std::string>> placeholders{
      {"{data}", KX_TEST_DATA_DIR "/tools"}, {"{device}", device}, {"{mount}", mountPoint}};
  for (kxtest::Case c : kxtest::readCases("tools/kxutil.txt")) {
    for (const auto& [name, value] : placeholders) {
      for (std::string& field : c) {
        if (field.find(name) != field.npos) field.replace(field.find(name), name.size(), value);
      }
    }
    if (c[3] == "AES") {  // the library's encryption of the input with the key
      KX::KXAES aes;
      EXPECT_EQ(aes.startEncryption(c[5]) + aes.encrypt(c[6]), 0);
      c[3] = aes.getEncryptedData() + "\n";
    }
    const std::string command =
        KX_TARGET_EMULATOR " '" KXUTIL_PATH "' " + c[1] + " 2>" + kxtest::kScratch;
    FILE* pipe = popen(command.c_str(), "r");
    std::string out;
    for (int ch; (ch = std::fgetc(pipe)) != EOF;) out += static_cast<char>(ch);
    const int status = pclose(pipe);
    std::ifstream errors(kxtest::kScratch);
    const std::string err{std::istreambuf_iterator<char>(errors), {}};
    // Expected output ending in "..." gives its start only.
    if (c[3].size() > 3 && c[3].compare(c[3].size() - 3, 3, "...") == 0) {
      out = out.substr(0, c[3].size() - 3) + "...";
    }
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, std::stoi(c[2])) << c[0];
    EXPECT_EQ(out, c[3]) << c[0];
    EXPECT_NE(err.find(c[4]), err.npos) << c[0] << ", standard error: " << err;
  }
  kxtest::scratchFile("MISSING");
}
