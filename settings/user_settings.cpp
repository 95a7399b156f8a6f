#include "settings/user_settings.h"

#include <string>
#include <string_view>

#include "settings/registry_access.h"

namespace zelmora::settings {
namespace {

constexpr std::string_view kUserKey = "Software\\zelmora\\reminder";
constexpr std::string_view kNewTaskSound = "sound";

}  // namespace

bool LoadNewTaskSound(platform::Registry& registry) {
  TRegistryAccess access(registry);
  if (!access.OpenKey(kUserKey, false)) return false;
  try {
    return access.ReadString(kNewTaskSound) == "1";
  } catch (const ERegistryError&) {
    return false;  // a value of another type: as if nothing were stored
  }
}

void SaveNewTaskSound(platform::Registry& registry, bool on) {
  TRegistryAccess access(registry);
  if (!access.OpenKey(kUserKey, true)) {
    throw ERegistryError("Cannot open the key HKEY_CURRENT_USER\\" + std::string(kUserKey));
  }
  access.WriteString(kNewTaskSound, on ? "1" : "0");
}

}  // namespace zelmora::settings
