// The system registry on Linux: hive files in the user's configuration
// directory, $XDG_CONFIG_HOME/zelmora or ~/.config/zelmora. Machine keys live
// there too, as a per-user store keeps them.
#include "platform/registry.h"
#include "platform/system_posix/registry_hive_store.h"
#include "platform/system_posix/xdg_directories.h"

namespace zelmora::platform {

std::unique_ptr<Registry> OpenSystemRegistry() {
  return OpenHiveFileRegistry(ConfigurationHome() / "zelmora");
}

}  // namespace zelmora::platform
