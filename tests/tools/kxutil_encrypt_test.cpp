// kxutil encrypt run as a process: its output is the library's result.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "KXAPI/KXAES.h"

namespace {

struct Result {
  int status;
  std::string output;  // stdout, or stdout and stderr together
};

Result Shell(const std::string& args) {
  const std::string command = std::string(KX_TARGET_EMULATOR " '") + KXUTIL_PATH + "' " + args;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return {-1, ""};
  std::string out;
  char buffer[256];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  const int wait = pclose(pipe);
  return {WIFEXITED(wait) ? WEXITSTATUS(wait) : -1, out};
}

std::string Library(const std::string& key, const std::string& text) {
  KX::KXAES aes;
  EXPECT_EQ(aes.startEncryption(key), 0);
  EXPECT_EQ(aes.encrypt(text), 0);
  return aes.getEncryptedData() + "\n";
}

const std::string kKeyHex = "000102030405060708090a0b0c0d0e0f";
const std::string kKey("\x00\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a\x0b\x0c\x0d\x0e\x0f", 16);

TEST(KxutilEncrypt, TextArgument) {
  for (const std::string text : {"hello", "", "sixteen bytes!!!", "a text of more than two blocks..."}) {
    const Result run = Shell("encrypt --key-hex " + kKeyHex + " '" + text + "'");
    EXPECT_EQ(run.status, 0) << text;
    EXPECT_EQ(run.output, Library(kKey, text)) << text;
  }
  const Result raw = Shell("encrypt --key 'sixteen byte key' hello");
  EXPECT_EQ(raw.status, 0);
  EXPECT_EQ(raw.output, Library("sixteen byte key", "hello"));
}

TEST(KxutilEncrypt, StandardInput) {
  const std::string text("line one\nline two\0with a zero byte\n", 35);
  const std::string path = testing::TempDir() + "kxutil_stdin.txt";
  std::ofstream(path, std::ios::binary) << text;
  const Result run = Shell("encrypt --key-hex " + kKeyHex + " < '" + path + "'");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.output, Library(kKey, text));
  std::remove(path.c_str());
}

TEST(KxutilEncrypt, Failures) {
  const Result shortKey = Shell("encrypt --key-hex 000102030405060708090a0b0c0d0e hello 2>&1");
  EXPECT_EQ(shortKey.status, 20);
  EXPECT_EQ(shortKey.output, "Encryption key length is invalid: 15. Has to be 16.\n");

  const Result badHex = Shell("encrypt --key-hex 0g0102030405060708090a0b0c0d0e0f hello 2>&1");
  EXPECT_NE(badHex.status, 0);
  EXPECT_NE(badHex.status, 20);
  EXPECT_NE(badHex.output.find("hex"), std::string::npos) << badHex.output;

  const Result noKey = Shell("encrypt hello 2>&1");
  EXPECT_NE(noKey.status, 0);
  const Result bothKeys = Shell("encrypt --key-hex " + kKeyHex + " --key 'sixteen byte key' x 2>&1");
  EXPECT_NE(bothKeys.status, 0);
  EXPECT_EQ(bothKeys.output.find("=="), std::string::npos);  // nothing encrypted
}

}  // namespace
