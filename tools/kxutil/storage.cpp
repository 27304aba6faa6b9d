// kxutil info, mount and df: the kernel build date, mounts and disk space.
#include <sys/statvfs.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <iomanip>
#include <memory>
#include <vector>

#include "KXAPI/KXOSBuildDate.h"
#include "KXAPI/KXStorage.h"
#include "kxutil.h"

namespace kxutil {

namespace {

// Total, free and used space in MiB by the library's rule: f_bsize times
// f_blocks, f_bfree (root's reserve counts as free) and their difference,
// each truncated on its own. The library's figures stop at INT_MAX MiB
// (2 PiB); a saturated figure is worked out here again in 64 bits, so that a
// larger file system shows its real size.
struct Space {
  long long mib[3] = {-1, -1, -1};  // total, free, used

  explicit Space(const std::string& path) {
    struct statvfs fs {};
    for (int i = 0; i < 3; ++i) {
      mib[i] = KX::getDiskSpace(static_cast<KX::StorageInfo>(i), path);
      if (mib[i] == INT_MAX && statvfs(path.c_str(), &fs) == 0) {
        // Whole MiB per 2^20 blocks, then the rest byte-exact: the product
        // itself can pass 2^64.
        const std::uint64_t n = i == 0   ? fs.f_blocks
                                : i == 1 ? fs.f_bfree
                                         : fs.f_blocks - std::min(fs.f_blocks, fs.f_bfree);
        const std::uint64_t whole = (n >> 20) * fs.f_bsize + ((n & 0xFFFFF) * fs.f_bsize >> 20);
        mib[i] = static_cast<long long>(std::min<std::uint64_t>(whole, LLONG_MAX));
      }
    }
  }
  bool valid() const { return mib[0] >= 0 && mib[1] >= 0 && mib[2] >= 0; }

  // Adds "total_mib", "free_mib" and "used_mib", all null unless valid.
  void addTo(Json& object) const {
    const char* names[] = {"total_mib", "free_mib", "used_mib"};
    for (int i = 0; i < 3; ++i) {
      object[names[i]] = valid() ? Json(mib[i]) : Json(nullptr);
    }
  }
};

void printInfo(bool json) {
  // The date parts the library could not read are -1 or out of range.
  const int date[] = {KX::getOSBuildYear(), KX::getOSBuildMonth(), KX::getOSBuildDay()};
  const bool known[] = {date[0] > 0, date[1] >= 1 && date[1] <= 12, date[2] >= 1 && date[2] <= 31};
  std::string medium;
  // SD cards and USB sticks carry the same mark in the mount point, so one
  // query answers for both.
  const bool mounted = KX::isAnSDCardMounted(&medium);
  const auto paths =
      mounted ? std::vector<std::string>{"/", medium} : std::vector<std::string>{"/"};
  std::vector<Space> space(paths.begin(), paths.end());

  if (json) {
    const auto part = [&](int i) { return known[i] ? Json(date[i]) : Json(nullptr); };
    Json spaceArray = Json::array();
    for (std::size_t i = 0; i < paths.size(); ++i) {
      spaceArray.push_back(Json{{"path", paths[i]}});
      space[i].addTo(spaceArray.back());
    }
    printJson(
        Json{{"kernel_build_date", {{"day", part(2)}, {"month", part(1)}, {"year", part(0)}}},
             {"removable_medium",
              {{"mounted", mounted}, {"mount_point", mounted ? Json(medium) : Json(nullptr)}}},
             {"space", spaceArray}});
    return;
  }
  char day[80];  // room for any three ints
  static_cast<void>(
      known[0] && known[1] && known[2]
          ? std::snprintf(day, sizeof day, "%04d-%02d-%02d", date[0], date[1], date[2])
          : std::snprintf(day, sizeof day,
                          "unknown (/proc/version gives day %d, month %d, year %d)", date[2],
                          date[1], date[0]));
  std::cout << "Kernel build date:    " << day
            << "\nSD card / USB stick:  " << (mounted ? "mounted at " + medium : "none mounted")
            << "\n\n";
  // The medium's path, if any, is the longest.
  const auto w = static_cast<int>(std::max<std::size_t>(14, paths.back().size() + 2));
  std::cout << "  " << std::left << std::setw(w) << "Space in MiB" << std::right << std::setw(10)
            << "Total" << std::setw(10) << "Free" << std::setw(10) << "Used"
            << "\n";
  for (std::size_t i = 0; i < paths.size(); ++i) {
    std::cout << "  " << std::left << std::setw(w) << paths[i] << std::right;
    if (!space[i].valid()) {
      std::cout << "  unavailable\n";
      continue;
    }
    for (long long mib : space[i].mib) {
      std::cout << std::setw(10) << mib;
    }
    std::cout << "\n";
  }
}

}  // namespace

void addInfoCommand(CLI::App& app, Result& /*result*/) {
  auto json = std::make_shared<bool>(false);
  CLI::App* cmd = addCommand(
      app, "info", "Report kernel build date, removable medium and space",
      "Reports the kernel build date, whether an SD card or USB stick is mounted and where, and "
      "the total, free and used space of / and of that medium in MiB (free space includes blocks "
      "reserved for root). With --json a date part that cannot be read is null.",
      {kOk});
  cmd->add_flag("--json", *json, kJsonHelp);
  cmd->callback([json] { printInfo(*json); });
}

void addMountCommand(CLI::App& app, Result& result) {
  auto device = std::make_shared<std::string>();
  auto json = std::make_shared<bool>(false);
  CLI::App* cmd =
      addCommand(app, "mount", "Print where a device is mounted",
                 "Prints the mount point of the first entry of /proc/mounts for DEVICE.",
                 {kOk, kOpenFailed, kNotFound});
  cmd->add_option("DEVICE", *device, "Device as listed in /proc/mounts, e.g. /dev/sda1")
      ->required();
  cmd->add_flag("--json", *json, kJsonHelp);
  cmd->callback([device, json, &result] {
    std::string mountPoint;
    result.status = KX::getMountPath(*device, &mountPoint);
    const bool mounted = result.status == kOk;
    if (*json) {
      printJson(Json{{"device", *device},
                     {"status", result.status},
                     {"mounted", mounted},
                     {"mount_point", mounted ? Json(mountPoint) : Json(nullptr)}});
    } else if (mounted) {
      std::cout << *device << " is mounted at " << mountPoint << "\n";
    }
    result.message = result.status == kNotFound
                         ? *device + " is not in the mount table /proc/mounts"
                     : mounted ? ""
                               : "cannot open the mount table /proc/mounts";
  });
}

void addDfCommand(CLI::App& app, Result& result) {
  auto path = std::make_shared<std::string>("/");
  auto json = std::make_shared<bool>(false);
  CLI::App* cmd = addCommand(
      app, "df", "Print total, free and used space of a file system",
      "Prints the total, free and used space in MiB of the file system holding PATH (free space "
      "includes blocks reserved for root). The library's figures stop at 2147483647 MiB (2 PiB); "
      "kxutil works out larger ones from statvfs in 64 bits by the same rule.",
      {kOk, kNoValue});
  cmd->add_option("PATH", *path, "Any file or directory on the file system")->capture_default_str();
  cmd->add_flag("--json", *json, kJsonHelp);
  cmd->callback([path, json, &result] {
    const Space space(*path);
    result = space.valid() ? Result{}
                           : Result{kNoValue, "cannot query the file system holding " + *path};
    if (*json) {
      Json out{{"path", *path}, {"status", result.status}};
      space.addTo(out);
      printJson(out);
    } else if (space.valid()) {
      std::cout << "File system holding " << *path << ":\n";
      const char* labels[] = {"  Total: ", "  Free:  ", "  Used:  "};
      for (int i = 0; i < 3; ++i) {
        std::cout << labels[i] << std::setw(10) << space.mib[i] << " MiB\n";
      }
    }
  });
}

}  // namespace kxutil
