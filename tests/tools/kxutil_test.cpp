// kxutil run as a process, through the shell and the target's emulator.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <CLI/Error.hpp>
#include <fstream>

#include "KXAPI/KXAES.h"
#include "exit_status.h"
#include "scratch_file.h"

namespace {

using namespace KX;
using namespace kxutil;

// kxutil through the emulator; a hang (a read that never ends) fails the case instead of the
// whole test run.
const std::string kKxutil = "timeout 60 " KX_TARGET_EMULATOR " '" KXUTIL_PATH "'";

int usage(CLI::ExitCodes code) { return static_cast<int>(code); }

// The library's encryption of text under key, as kxutil prints it.
std::string encrypted(const std::string& key, const std::string& text) {
  KX::KXAES aes;
  EXPECT_EQ(aes.startEncryption(key), KX_STATUS_OK);
  EXPECT_EQ(aes.encrypt(text), KX_STATUS_OK);
  return aes.getEncryptedData() + "\n";
}

void replaceAll(std::string& text, const std::string& name, const std::string& value) {
  for (auto at = text.find(name); at != text.npos; at = text.find(name, at + value.size())) {
    text.replace(at, name.size(), value);
  }
}

}  // namespace

// The arguments follow the kxutil command, unless they run it themselves as {kxutil} (a shell
// command line then, with scratch files {tmp1} to {tmp3}). {data} is tests/data/tools,
// {device} and {mount} the first entry of the real mount table, {fifo} a FIFO without a
// writer, {version} the project's version, and a status name in braces its number. Standard
// output is compared exactly, or only its start when the expected text ends in "...", or must
// hold the text after "..." when it starts so; the last field must appear in standard error.
TEST(Kxutil, Commands) {
  std::string device, mountPoint;
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
      {"{version}", KXUTIL_VERSION},
      {"{KX_STATUS_OK}", std::to_string(KX_STATUS_OK)},
      {"{KX_STATUS_OPEN_FAILED}", std::to_string(KX_STATUS_OPEN_FAILED)},
      {"{KX_STATUS_NOT_FOUND}", std::to_string(KX_STATUS_NOT_FOUND)},
      {"{kExitNoValue}", std::to_string(kExitNoValue)}};
  // clang-format off
  const struct {
    const char* name; std::string arguments; int status; std::string out, err;
  } rows[] = {
      {"read, hexadecimal", "read {data}/hex.txt", KX_STATUS_OK, "0x1F\n", ""},
      {"read, carriage return", "read {data}/crlf.txt", KX_STATUS_OK, "15\r\n", ""},
      {"read-int, hexadecimal", "read-int {data}/hex.txt", KX_STATUS_OK, "31\n", ""},
      {"read-int, carriage ret.", "read-int {data}/crlf.txt", KX_STATUS_OK, "15\n", ""},
      {"read, missing file", "read {data}/absent", KX_STATUS_OPEN_FAILED, "", "Error opening device file {data}/absent"},
      {"read-int, missing file", "read-int {data}/absent", KX_STATUS_OPEN_FAILED, "", "kxutil: cannot open {data}/absent"},
      {"version", "version {data}/version.txt", KX_STATUS_OK, "Version: 01-07-0815\n", ""},
      {"version, no marker", "version {data}/noversion.txt", kExitNoValue, "", "no line with Version Major=\""},
      {"version, short line", "version {data}/short.txt", kExitMalformed, "", "ends before its build field"},
      {"version, missing file", "version {data}/absent", KX_STATUS_OPEN_FAILED, "", "Error opening file {data}/absent"},
      {"version --json", "version --json {data}/version.txt", KX_STATUS_OK, "{\"file\":\"{data}/version.txt\",\"status\":{KX_STATUS_OK},\"version\":\"01-07-0815\"}\n", ""},
      {"version --json escapes", "version --json '/kx/\"a\\b\tc'", KX_STATUS_OPEN_FAILED, "{\"file\":\"/kx/\\\"a\\\\b\\tc\",\"status\":{KX_STATUS_OPEN_FAILED},\"version\":null}\n", ""},
      {"mount", "mount '{device}'", KX_STATUS_OK, "{device} is mounted at {mount}\n", ""},
      {"mount --json", "mount --json '{device}'", KX_STATUS_OK, "{\"device\":\"{device}\",\"status\":{KX_STATUS_OK},\"mounted\":true,\"mount_point\":\"{mount}\"}\n", ""},
      {"mount, unknown device", "mount --json /dev/kx-no-such-device", KX_STATUS_NOT_FOUND, "{\"device\":\"/dev/kx-no-such-device\",\"status\":{KX_STATUS_NOT_FOUND},\"mounted\":false,\"mount_point\":null}\n", "not in the mount table"},
      {"df", "df {data}", KX_STATUS_OK, "File system holding {data}:\n  Total: ...", ""},
      {"df, missing path", "df --json /kx/none", kExitNoValue, "{\"path\":\"/kx/none\",\"status\":{kExitNoValue},\"total_mib\":null,\"free_mib\":null,\"used_mib\":null}\n", "cannot query the file system holding /kx/none"},
      {"df --help", "df --help", KX_STATUS_OK, "Print total, free and used space of a file system\nUsage: ...", ""},
      {"backtrace", "backtrace --depth 2", KX_STATUS_OK, "", "\tBacktrace:\n\t#1"},
      {"backtrace, depth < 0", "backtrace --depth -1", usage(CLI::ExitCodes::ValidationError), "", "not in range"},
      {"no command", "", usage(CLI::ExitCodes::RequiredError), "", "A subcommand is required"},
      {"encrypt, hex key", "encrypt --key-hex 7369787465656e2062797465206b6579 hello", KX_STATUS_OK, encrypted("sixteen byte key", "hello"), ""},
      {"encrypt, empty text", "encrypt --key-hex 7369787465656e2062797465206b6579 ''", KX_STATUS_OK, encrypted("sixteen byte key", ""), ""},
      {"encrypt, three blocks", "encrypt --key 'sixteen byte key' 'a text of more than two blocks...'", KX_STATUS_OK, encrypted("sixteen byte key", "a text of more than two blocks..."), ""},
      {"encrypt, standard input", "encrypt --key-hex 7369787465656e2062797465206b6579 < {data}/stdin.txt", KX_STATUS_OK, encrypted("sixteen byte key", "line one\nline two\n"), ""},
      {"encrypt, 15-byte key", "encrypt --key-hex 000102030405060708090a0b0c0d0e hello", KX_STATUS_INVALID_ARGUMENT, "", "Encryption key length is invalid: 15. Has to be 16.\n"},
      {"encrypt, not hex", "encrypt --key-hex 0g0102030405060708090a0b0c0d0e0f hello", usage(CLI::ExitCodes::ValidationError), "", "only hex digits"},
      {"encrypt, no key", "encrypt hello", usage(CLI::ExitCodes::RequiredError), "", "exactly one of --key-hex and --key"},
      {"read, a FIFO", "read {fifo}", KX_STATUS_INVALID_ARGUMENT, "", "kxutil: {fifo} is not a regular file\n"},
      {"read-int, a directory", "read-int {data}", KX_STATUS_INVALID_ARGUMENT, "", "kxutil: {data} is not a regular file\n"},
      {"version, /dev/zero", "version /dev/zero", KX_STATUS_INVALID_ARGUMENT, "", "kxutil: /dev/zero is not a regular file\n"},
      {"read, a /proc file", "read /proc/version", KX_STATUS_OK, "Linux version ...", ""},
      {"backtrace, not a number", "backtrace -d abc", usage(CLI::ExitCodes::ValidationError), "", "--depth: Value abc is not a number"},
      {"unknown command", "bogus", usage(CLI::ExitCodes::ExtrasError), "", "kxutil: unknown command 'bogus'; the commands are encrypt, decrypt, info, mount, df, read, read-int, version, backtrace.\n"},
      {"--version", "--version", KX_STATUS_OK, "kxutil {version}\n", ""},
      {"--help, exit statuses", "--help", KX_STATUS_OK, "...\n    1  the text could not be padded (\"Converting plain text failed\")\n    2", ""},
      {"decrypt", "decrypt --key-hex 7369787465656e2062797465206b6579 +W2cDEJuUvdT0wBuao3HWg==", KX_STATUS_OK, "hello", ""},
      {"decrypt, standard input", "{kxutil} encrypt --key 'sixteen byte key' < {data}/stdin.txt > {tmp1}; {kxutil} decrypt --key 'sixteen byte key' < {tmp1}", KX_STATUS_OK, "line one\nline two\n", ""},
      {"decrypt, every length modulo 16 and the block edges up to 48 bytes", "for n in $(seq 0 17) 31 32 33 47 48; do head -c $n {data}/binary.bin > {tmp1}; {kxutil} encrypt --key-hex 7369787465656e2062797465206b6579 < {tmp1} > {tmp2}; {kxutil} decrypt --key-hex 7369787465656e2062797465206b6579 < {tmp2} > {tmp3}; if ! cmp -s {tmp1} {tmp3}; then echo $n; fi; done", KX_STATUS_OK, "", ""},
      {"decrypt, openssl's", "head -c 40 {data}/binary.bin > {tmp1}; openssl enc -aes-128-ecb -K 7369787465656e2062797465206b6579 -in {tmp1} -out {tmp2}; base64 {tmp2} > {tmp3}; {kxutil} decrypt --key-hex 7369787465656e2062797465206b6579 < {tmp3} > {tmp2}; cmp {tmp1} {tmp2}", KX_STATUS_OK, "", ""},
      {"decrypt, not alphabet", "decrypt --key-hex 7369787465656e2062797465206b6579 '+W2cDEJuUvdT0wBu*o3HWg=='", kExitBadBase64, "", "kxutil: the input is not Base64: the '*' at position 17 is not in the Base64 alphabet\n"},
      {"decrypt, line break", "decrypt --key-hex 7369787465656e2062797465206b6579 '+W2cDEJuUvdT0wBu\no3HWg=='", kExitBadBase64, "", "the byte 0x0A at position 17 is not in the Base64 alphabet"},
      {"decrypt, length", "decrypt --key-hex 7369787465656e2062797465206b6579 +W2cDEJuUvdT0wBuao3HWg=", kExitBadBase64, "", "its length 23 is not a multiple of 4"},
      {"decrypt, '=' inside", "decrypt --key-hex 7369787465656e2062797465206b6579 +W2cDEJuUvdT0wBua=3HWg==", kExitBadBase64, "", "'=' at position 18 is not at the end"},
      {"decrypt, bits after end", "decrypt --key-hex 7369787465656e2062797465206b6579 +W2cDEJuUvdT0wBuao3HWh==", kExitBadBase64, "", "the bits after its last byte are not zero"},
      {"decrypt, 15 bytes", "decrypt --key-hex 7369787465656e2062797465206b6579 AAAAAAAAAAAAAAAAAAAA", kExitBadLength, "", "kxutil: the cipher text is 15 bytes, not a non-zero multiple of 16\n"},
      {"decrypt, empty", "decrypt --key-hex 7369787465656e2062797465206b6579 ''", kExitBadLength, "", "the cipher text is 0 bytes"},
      {"decrypt, wrong key", "decrypt --key-hex 000102030405060708090a0b0c0d0e0f +W2cDEJuUvdT0wBuao3HWg==", kExitBadPadding, "", "kxutil: the decrypted text does not end in valid PKCS #7 padding (is it the right key?)\n"},
      {"decrypt, pads differ", "decrypt --key-hex 7369787465656e2062797465206b6579 IVP1NDKqkN5Hc/IwfPH6rA==", kExitBadPadding, "", "valid PKCS #7 padding"},
      {"decrypt, pad byte 0", "decrypt --key-hex 7369787465656e2062797465206b6579 ybFDAU/go+H6cTLUxd9ZEw==", kExitBadPadding, "", "valid PKCS #7 padding"},
      {"decrypt, pad byte 17", "decrypt --key-hex 7369787465656e2062797465206b6579 L9UEEIW2e6jnvpK4ZsSuCm7r6fpFNG/L6TDWwTHnxic=", kExitBadPadding, "", "valid PKCS #7 padding"},
      {"decrypt, 15-byte key", "decrypt --key 'fifteen bytes k' +W2cDEJuUvdT0wBuao3HWg==", KX_STATUS_INVALID_ARGUMENT, "", "kxutil: the key must be 16 bytes, got 15\n"},
      {"decrypt, no key", "decrypt +W2cDEJuUvdT0wBuao3HWg==", usage(CLI::ExitCodes::RequiredError), "", "exactly one of --key-hex and --key"},
  };
  // clang-format on
  for (auto row : rows) {
    SCOPED_TRACE(row.name);
    for (std::string* field : {&row.arguments, &row.out, &row.err}) {
      for (const auto& [name, value] : placeholders) replaceAll(*field, name, value);
    }
    std::string command = row.arguments;
    if (command.find("{kxutil}") == command.npos) command = "{kxutil} " + command;
    replaceAll(command, "{kxutil}", kKxutil);
    FILE* pipe = popen(("{ " + command + "; } 2>" + kxtest::scratchPath()).c_str(), "r");
    std::string out;
    for (int ch; (ch = std::fgetc(pipe)) != EOF;) out += static_cast<char>(ch);
    const int status = pclose(pipe);
    std::ifstream errors(kxtest::scratchPath());
    const std::string err{std::istreambuf_iterator<char>(errors), {}};
    const std::string dots = "...";
    if (row.out.size() > 3 && row.out.compare(row.out.size() - 3, 3, dots) == 0) {
      out = out.substr(0, row.out.size() - 3) + dots;
    } else if (row.out.size() > 3 && row.out.compare(0, 3, dots) == 0) {
      out = out.find(row.out.substr(3)) != out.npos ? row.out : out;
    }
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, row.status);
    EXPECT_EQ(out, row.out);
    EXPECT_NE(err.find(row.err), err.npos) << "standard error: " << err;
  }
  kxtest::scratchFile(std::nullopt);
  for (const char* file : {"kx_fifo", "kx_tmp1", "kx_tmp2", "kx_tmp3"}) std::remove(file);
}
