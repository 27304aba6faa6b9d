// kxutil info: one report on the device's kernel and storage.
#include <algorithm>
#include <cstdio>
#include <iomanip>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "KXAPI/KXOSBuildDate.h"
#include "KXAPI/KXStatus.h"
#include "KXAPI/KXStorage.h"
#include "commands.h"
#include "json.h"
#include "space.h"

namespace kxutil {

namespace {

struct BuildDate {
  int day, month, year;

  bool plausible() const { return day >= 1 && day <= 31 && month >= 1 && month <= 12 && year > 0; }
  std::string text() const {
    char iso[40];  // room for any three ints, so the text is never cut short
    static_cast<void>(std::snprintf(iso, sizeof iso, "%04d-%02d-%02d", year, month, day));
    return iso;
  }
};

void printSpaceRow(const std::string& path, int width, const SpaceFigures& figures) {
  std::cout << "  " << std::left << std::setw(width) << path << std::right;
  if (figures.valid()) {
    std::cout << std::setw(10) << figures.total << std::setw(10) << figures.free << std::setw(10)
              << figures.used << "\n";
  } else {
    std::cout << "  unavailable\n";
  }
}

void runInfo(bool json) {
  const BuildDate date{KX::getOSBuildDay(), KX::getOSBuildMonth(), KX::getOSBuildYear()};
  std::string medium;
  // The library recognises SD cards and USB sticks by the same mark in the
  // mount point, so one query answers for both.
  const bool mounted = KX::isAnSDCardMounted(&medium);

  std::vector<std::string> paths{"/"};
  if (mounted) {
    paths.push_back(medium);
  }
  std::vector<SpaceFigures> space;
  space.reserve(paths.size());
  for (const auto& path : paths) {
    space.push_back(querySpace(path));
  }

  if (json) {
    Json spaceArray = Json::array();
    for (std::size_t i = 0; i < paths.size(); ++i) {
      Json entry{{"path", paths[i]}};
      addSpaceMembers(entry, space[i]);
      spaceArray.push_back(entry);
    }
    printJson(
        Json{{"kernel_build_date", {{"day", date.day}, {"month", date.month}, {"year", date.year}}},
             {"removable_medium",
              {{"mounted", mounted}, {"mount_point", mounted ? Json(medium) : Json(nullptr)}}},
             {"space", spaceArray}});
    return;
  }

  std::cout << "Kernel build date:    ";
  if (date.plausible()) {
    std::cout << date.text() << "\n";
  } else {
    std::cout << "unknown (/proc/version gives day " << date.day << ", month " << date.month
              << ", year " << date.year << ")\n";
  }
  std::cout << "SD card / USB stick:  " << (mounted ? "mounted at " + medium : "none mounted")
            << "\n\n";
  std::size_t width = 14;
  for (const auto& path : paths) {
    width = std::max(width, path.size() + 2);
  }
  std::cout << "  " << std::left << std::setw(static_cast<int>(width)) << "Space in MiB"
            << std::right << std::setw(10) << "Total" << std::setw(10) << "Free" << std::setw(10)
            << "Used"
            << "\n";
  for (std::size_t i = 0; i < paths.size(); ++i) {
    printSpaceRow(paths[i], static_cast<int>(width), space[i]);
  }
}

}  // namespace

void addInfoCommand(CLI::App& app, int& status) {
  auto json = std::make_shared<bool>(false);
  CLI::App* info =
      app.add_subcommand("info", "Report kernel build date, removable medium and space");
  info->footer(
      "Reports the kernel build date, whether an SD card or USB stick is mounted and where, "
      "and the total, free and used space of / and of that medium in MiB (free space "
      "includes blocks reserved for root). Exit status 0.");
  info->add_flag(
      "--json", *json,
      "Print one JSON object instead of the report (bytes that are not UTF-8 become U+FFFD)");
  info->callback([json, &status] {
    runInfo(*json);
    status = KX::KX_STATUS_OK;
  });
}

}  // namespace kxutil
