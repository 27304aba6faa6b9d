#include "space.h"

#include "KXAPI/KXStorage.h"

namespace kxutil {

SpaceFigures querySpace(const std::string& path) {
  return {KX::getDiskSpace(KX::TOTAL_SPACE, path), KX::getDiskSpace(KX::FREE_SPACE, path),
          KX::getDiskSpace(KX::USED_SPACE, path)};
}

void addSpaceMembers(JsonObject& object, const SpaceFigures& figures) {
  if (!figures.valid()) {
    object.addNull("total_mib").addNull("free_mib").addNull("used_mib");
    return;
  }
  object.add("total_mib", figures.total)
      .add("free_mib", figures.free)
      .add("used_mib", figures.used);
}

}  // namespace kxutil
