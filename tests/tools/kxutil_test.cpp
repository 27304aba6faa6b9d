// kxutil run as a process, through the shell and the target's emulator. A command runs as
// "kxutil COMMAND" unless it calls {kxutil} itself (a shell line, with scratch files kx_tmp1 and
// kx_tmp2). {data} is tests/data/tools. Out and Err are fnmatch patterns of the whole output,
// without escapes ("*" any text, "[[]" a "["); a failure's standard error must be one line starting
// "kxutil: ".
#include <fnmatch.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include "scratch_file.h"

namespace {

struct Case {
  std::string command;
  int status;
  std::string out = "", err = "";
};

// A hang (a read that never ends) fails the case instead of the whole test run.
#define KXUTIL "timeout 60 " KX_TARGET_EMULATOR " '" KXUTIL_PATH "'"
#define K16 "--key-hex 7369787465656e2062797465206b6579 "

// clang-format off
// NOLINTNEXTLINE(cert-err58-cpp): a test table; a failed allocation here ends the program anyway
const std::vector<Case> kCommands = {
    // The small-file readers refuse what is not a regular file; the library's report of a file
    // it cannot open is kxutil's one line, with the system's reason.
    {"read {data}/hex.txt", 0, "0x1F\n"},
    {"read /nonexistent", 16, "", "kxutil: Error opening device file /nonexistent: No such file or directory\n"},
    {"read-int {data}", 20, "", "kxutil: {data} is not a regular file\n"},
    {"version {data}/version.txt", 0, "Version: 01-07-0815\n"},
    {"version {data}/noversion.txt", 2, "", "kxutil: no line with Version Major=\" in {data}/noversion.txt*\n"},
    {"version {data}/short.txt", 3, "", "kxutil: the version line of {data}/short.txt ends before its build field\n"},
    {"version /dev/zero", 20, "", "kxutil: /dev/zero is not a regular file\n"},
    {"version --json '/kx/\"a\\b\tc'", 16, R"({"file":"/kx/\"a\\b\tc","status":16,"version":null})" "\n", "kxutil: *\n"},
    // Bytes that are not UTF-8, in the path and in the fields, become U+FFFD; UTF-8 passes.
    {"f=\"kx_tmp1$(printf '\\377')\"; printf 'Version Major=\"\\303\\251.........01............\\200815\\n' > \"$f\";" " {kxutil} version --json \"$f\"", 0, R"({"file":"kx_tmp1�","status":0,"version":"é-01-�815"})" "\n"},
    // Mounts, space and the device report.
    {R"(read -r d m x < /proc/mounts; { {kxutil} mount "$d" && {kxutil} mount --json "$d"; } > kx_tmp1 && printf '%s is mounted at %s\n{"device":"%s","status":0,"mounted":true,"mount_point":"%s"}\n' "$d" "$m" "$d" "$m" | cmp - kx_tmp1)", 0},
    {"mount --json /dev/kx-none", 23, R"({"device":"/dev/kx-none","status":23,"mounted":false,"mount_point":null})" "\n", "kxutil: /dev/kx-none is not in the mount table /proc/mounts\n"},
    {"df {data}", 0, "File system holding {data}:\n  Total: * MiB\n  Free: * MiB\n  Used: * MiB\n"},
    {"df --json /kx/none", 2, R"({"path":"/kx/none","status":2,"total_mib":null,"free_mib":null,"used_mib":null})" "\n", "kxutil: cannot query the file system holding /kx/none\n"},
    {"info", 0, "Kernel build date:    *\nSD card / USB stick:  none mounted\n\n  Space in MiB       Total      Free      Used\n  / *\n"},
    // The largest depth; the default skip leaves out the library's own frame (absolute addresses differ).
    {"{kxutil} backtrace -d 256 2>&1 | sed 's/ [[].*//' > kx_tmp1; {kxutil} backtrace -d 256 -s 1 2>&1 | sed 's/ [[].*//' | cmp - kx_tmp1 && grep -q main kx_tmp1", 0},
    {"for d in 0 257; do {kxutil} backtrace -d $d 2>&1; echo $?; done", 0, "\tBacktrace:\n\t...\n0\nkxutil: --depth: Value 257 not in range 0 to 256*\n105\n"},
    // A command's own help: its text wrapped at 79 columns, then its statuses.
    {"backtrace --help | sed -n '/^Prints/,$p'", 0, "Prints kxutil's own call stack on standard error as the library lists it, to\ncheck stack walking and symbol names on a device.\n\nExit status:\n     0  success\n"},
    // Usage.
    {"", 106, "", "kxutil: A subcommand is required*\n"},
    {"b", 109, "", "kxutil: unknown command 'b'; the commands are encrypt, decrypt, info, mount, df, " "read, read-int, version, backtrace*\n"},
    {"--version", 0, "kxutil " KXUTIL_VERSION "\n"},
    // The statuses in --help are those of the README's table.
    {"--help | sed '1,/^Exit status:/d' | awk '{$1=$1};1' > kx_tmp1; grep -q '^100+ a usage error' kx_tmp1 && sed -n '/^| Exit status/,/^$/p' {data}/../../../README.md | sed '1,2d;$d' | tr -d '`|' | awk '{$1=$1};1' | cmp - kx_tmp1", 0},
    {"for c in '' encrypt decrypt info mount df read read-int version backtrace; do {kxutil} $c --help; done | awk 'length > 79'", 0, ""},
    // encrypt, and the key checked before the library would speak.
    {"encrypt " K16 "hello", 0, "+W2cDEJuUvdT0wBuao3HWg==\n"},
    {"encrypt --key-hex 0001 hello", 20, "", "kxutil: the key must be 32 hex digits, got 4\n"},
    {"encrypt --key-hex 000 hello", 105, "", "kxutil: --key-hex: the key must be 32 hex digits, got 3*\n"},
    {"encrypt --key 'fifteen bytes k' hello", 20, "", "kxutil: the key must be 16 bytes, got 15\n"},
    {"encrypt hello", 106, "", "kxutil: *exactly one of --key-hex and --key*\n"},
    // decrypt: round trips, OpenSSL's cipher text, and the strict Base64 and padding checks.
    {"for n in $(seq 0 17) 31 32 33 47 48 300; do for i in 1 2 3 4 5 6 7; do cat {data}/binary.bin; done | head -c $n > kx_tmp1; {kxutil} encrypt --key 'sixteen byte key' < kx_tmp1 > kx_tmp2;" " base64 -d kx_tmp2 | openssl enc -d -aes-128-ecb -K 7369787465656e2062797465206b6579 | cmp -s - kx_tmp1 || echo e$n;" " {kxutil} decrypt " K16 "< kx_tmp2 | cmp -s - kx_tmp1 || echo d$n; done", 0, ""},
    {"decrypt " K16 "'+W2cDEJuUvdT0wBu o3HWg=='", 4, "", "kxutil: *the byte 0x20 at position 17 is not*\n"},
    {"printf '+W2cDEJuUvdT0wBuao3HWg==\\r\\n' | {kxutil} decrypt " K16, 4, "", "kxutil: *its length 25 is not a multiple of 4\n"},
    {"printf '+W2cDEJuUvdT0wBuao3HWg==\\n\\n' | {kxutil} decrypt " K16, 4, "", "kxutil: *its length 25 is not*\n"},
    {"decrypt " K16 "+W2cDEJuUvdT0wBu-o3HWg==", 4, "", "kxutil: the input is not Base64: the '-' at position 17 is not in the Base64 alphabet\n"},
    {"decrypt " K16 "+W2cDEJuUvdT0wBuao3HWg_=", 4, "", "kxutil: *the '_' at position 23 is not*\n"},
    {"decrypt " K16 "+W2cDEJuUvdT0wBuao3HW===", 4, "", "kxutil: *'=' at position 22 is not at the end\n"},
    {"decrypt " K16 "+W2cDEJuUvdT0wBuao3HWh==", 4, "", "kxutil: *the bits after its last byte are not zero\n"},
    {"decrypt " K16 "AAAAAAAAAAAAAAAAAAAA", 5, "", "kxutil: the cipher text is 15 bytes, not a non-zero multiple of 16\n"},
    {"decrypt " K16 "''", 5, "", "kxutil: the cipher text is 0 bytes*\n"},
    {"decrypt --key-hex 000102030405060708090a0b0c0d0e0f +W2cDEJuUvdT0wBuao3HWg==", 6, "", "kxutil: the decrypted text does not end in valid PKCS #7 padding (is it the right key?)\n"},
    // Pad bytes that differ, a pad byte 0, a pad byte 17.
    {"for b in IVP1NDKqkN5Hc/IwfPH6rA== ybFDAU/go+H6cTLUxd9ZEw== L9UEEIW2e6jnvpK4ZsSuCm7r6fpFNG/L6TDWwTHnxic=; do {kxutil} decrypt " K16 "$b 2>&1; echo $?; done", 0, "kxutil: *padding*\n6\nkxutil: *padding*\n6\nkxutil: *padding*\n6\n"},
};
// clang-format on

// Standard output of a shell command, and its exit status in *status.
std::string output(const std::string& command, int* status = nullptr) {
  FILE* pipe = popen(command.c_str(), "r");
  std::string out;
  for (int ch; (ch = std::fgetc(pipe)) != EOF;) {
    out += static_cast<char>(ch);
  }
  const int exit = pclose(pipe);
  if (status != nullptr) {
    *status = WIFEXITED(exit) ? WEXITSTATUS(exit) : -1;
  }
  return out;
}

void run(const std::vector<Case>& cases,
         const std::vector<std::pair<std::string, std::string>>& names) {
  for (Case c : cases) {
    c.command.insert(0, c.command.find("{kxutil}") == c.command.npos ? "{kxutil} " : "");
    for (std::string* field : {&c.command, &c.out, &c.err}) {
      for (const auto& [name, value] : names) {
        for (auto at = field->find(name); at != field->npos; at = field->find(name, at)) {
          field->replace(at, name.size(), value);
        }
      }
    }
    SCOPED_TRACE(c.command);
    int status = 0;
    const std::string errors = kxtest::scratchFile(std::nullopt);
    const std::string out = output("{ " + c.command + "; } 2>" + errors, &status);
    const std::string err = output("cat " + errors);
    EXPECT_EQ(status, c.status);
    EXPECT_EQ(fnmatch(c.out.c_str(), out.c_str(), FNM_NOESCAPE), 0) << "standard output: " << out;
    EXPECT_EQ(fnmatch(c.err.c_str(), err.c_str(), FNM_NOESCAPE), 0) << "standard error: " << err;
    EXPECT_TRUE(c.status == 0 ||
                (err.rfind("kxutil: ", 0) == 0 && err.find('\n') == err.size() - 1))
        << "standard error: " << err;
  }
  kxtest::scratchFile(std::nullopt);
}

}  // namespace

TEST(Kxutil, Commands) {
  run(kCommands, {{"{kxutil}", KXUTIL}, {"{data}", KX_TEST_DATA_DIR "/tools"}});
  EXPECT_EQ(std::system("rm -f kx_tmp*"), 0);
}

// Run by the test kxutil.odd_mount inside a private mount namespace, which names a directory of
// its own in KX_LARGE_FS_DIR: a tmpfs whose device name and mount point are not UTF-8 and whose
// mount point holds the removable-medium mark.
TEST(Kxutil, OddMount) {
  const char* dir = std::getenv("KX_LARGE_FS_DIR");
  if (dir == nullptr) {
    GTEST_SKIP() << "runs inside kxutil.odd_mount";
  }
  run({{"m=\"{dir}/usbsd$(printf '\\377\\376')\"; d=\"kx-$(printf '\\351t\\351')\"; mkdir \"$m\" &&"
        " mount -t tmpfs -o size=512k \"$d\" \"$m\" && {kxutil} mount --json \"$d\"",
        0,
        R"({"device":"kx-�t�","status":0,"mounted":true,"mount_point":"{dir}/usbsd��"})"
        "\n"},
       {"info --json", 0,
        R"(*"removable_medium":{"mounted":true,"mount_point":"{dir}/usbsd��"},"space":[[]{*},)"
        R"({"path":"{dir}/usbsd��","total_mib":0,*)"
        "\n"},
       // The text columns: the path 2 wider than the longest, then 10 each.
       {"info | tail -n 1", 0, "  {dir}/usbsd\377\376           0         0         0\n"},
       {"df {dir}/usbsd*", 0,
        "*:\n  Total:          0 MiB\n  Free:           0 MiB\n  Used:           0 MiB\n"}},
      {{"{kxutil}", KXUTIL}, {"{dir}", dir}});
}
