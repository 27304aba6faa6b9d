// kxutil --json with bytes that are not UTF-8 in paths, device names and file contents: the
// output must parse as JSON (nlohmann's parser rejects invalid UTF-8) and carry U+FFFD for each
// maximal ill-formed subpart (the Unicode Standard, chapter 3).
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <tuple>

#include "KXAPI/KXStatus.h"

namespace {

const std::string kReplacement = "\xEF\xBF\xBD";  // U+FFFD in UTF-8

// kxutil's standard output for arguments (through the shell and the target's emulator), and
// its exit status.
std::pair<std::string, int> kxutil(const std::string& arguments) {
  const std::string command = KX_TARGET_EMULATOR " '" KXUTIL_PATH "' " + arguments + " 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  std::string out;
  for (int ch; (ch = std::fgetc(pipe)) != EOF;) out += static_cast<char>(ch);
  const int status = pclose(pipe);
  return {out, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

nlohmann::json parsed(const std::string& text) {
  try {
    return nlohmann::json::parse(text);
  } catch (const nlohmann::json::parse_error& e) {
    ADD_FAILURE() << "not JSON: " << e.what() << "\n" << text;
    return nullptr;
  }
}

}  // namespace

TEST(KxutilJson, InvalidUtf8InVersionFile) {
  const std::string R = kReplacement;
  const struct {
    const char* name;
    std::string file;       // in the working directory
    std::string shownFile;  // as the JSON gives it
    std::string fields;     // major, minor and build as they stand in the file
    std::string version;    // as the JSON gives it
  } cases[] = {
      {"valid UTF-8 passes", "kx_json_\xC3\xA9", "kx_json_\xC3\xA9",
       "\xC3\xA9-01-\xE2\x82\xAC"
       "5",
       "\xC3\xA9-01-\xE2\x82\xAC"
       "5"},
      {"lone bytes", "kx_json_\xFF\xFE", "kx_json_" + R + R,
       "\xC3(-01-\x80"
       "815",
       R + "(-01-" + R + "815"},
      {"truncated sequences", "kx_json_\xE2\x82", "kx_json_" + R, "01-\xE2\x82-ok\xF0\x9F",
       "01-" + R + "-ok" + R},
      {"overlong and surrogate", "kx_json_\xC0\xAF", "kx_json_" + R + R, "\xC0\xAF-\xED\xA0-0815",
       R + R + "-" + R + R + "-0815"},
  };
  for (const auto& c : cases) {
    // The three fields at offsets 15, 26 and 40 from the marker's start.
    const std::string major = c.fields.substr(0, c.fields.find('-'));
    const std::string rest = c.fields.substr(major.size() + 1);
    const std::string minor = rest.substr(0, rest.find('-'));
    const std::string build = rest.substr(minor.size() + 1);
    std::ofstream(c.file, std::ios::binary)
        << "Version Major=\"" << major << std::string(26 - 15 - major.size(), '.') << minor
        << std::string(40 - 26 - minor.size(), '.') << build << "\n";

    const auto [out, status] = kxutil("version --json '" + c.file + "'");
    EXPECT_EQ(status, KX::KX_STATUS_OK) << c.name;
    const nlohmann::json json = parsed(out);
    EXPECT_EQ(json.value("file", "?"), c.shownFile) << c.name;
    EXPECT_EQ(json.value("version", "?"), c.version) << c.name;
    std::remove(c.file.c_str());
  }
}

// Run inside a private mount namespace (the test kxutil.json_odd_mount names its directory in
// KX_LARGE_FS_DIR): a tmpfs whose device name and mount point are not UTF-8, and whose mount
// point holds the removable-medium marker, as kxutil mount and kxutil info report it.
TEST(KxutilJson, InvalidUtf8MountPoint) {
  const char* dir = std::getenv("KX_LARGE_FS_DIR");
  if (dir == nullptr) GTEST_SKIP() << "runs inside kxutil.json_odd_mount";
  const std::string device = "kx-\xE9t\xE9", mountPoint = std::string(dir) + "/usbsd\xFF\xFE";
  ASSERT_EQ(mkdir(mountPoint.c_str(), 0755), 0);
  ASSERT_EQ(mount(device.c_str(), mountPoint.c_str(), "tmpfs", 0, "size=1m"), 0);
  const std::string shownDevice = "kx-" + kReplacement + "t" + kReplacement;
  const std::string shownMountPoint = std::string(dir) + "/usbsd" + kReplacement + kReplacement;

  auto [out, status] = kxutil("mount --json '" + device + "'");
  EXPECT_EQ(status, KX::KX_STATUS_OK);
  nlohmann::json json = parsed(out);
  EXPECT_EQ(json.value("device", "?"), shownDevice);
  EXPECT_EQ(json.value("mount_point", "?"), shownMountPoint);

  std::tie(out, status) = kxutil("info --json");
  EXPECT_EQ(status, KX::KX_STATUS_OK);
  json = parsed(out);
  EXPECT_EQ(json["removable_medium"].value("mount_point", "?"), shownMountPoint);
  EXPECT_EQ(json["space"][1].value("path", "?"), shownMountPoint);
  EXPECT_EQ(json["space"][1].value("total_mib", -1), 1);
}
