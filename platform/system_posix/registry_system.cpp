// The system registry on Linux: hive files in the user's configuration
// directory, $XDG_CONFIG_HOME/zelmora or ~/.config/zelmora. Machine keys live
// there too, as a per-user store keeps them.
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "platform/registry.h"
#include "platform/system_posix/registry_hive_store.h"

namespace zelmora::platform {
namespace {

std::filesystem::path ConfigurationHome() {
  // The XDG rules ignore a relative XDG_CONFIG_HOME.
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/') return xdg;
  if (const char* home = std::getenv("HOME"); home && home[0] != '\0') {
    return std::filesystem::path(home) / ".config";
  }
  if (const passwd* user = ::getpwuid(::getuid()); user && user->pw_dir) {
    return std::filesystem::path(user->pw_dir) / ".config";
  }
  return ".config";
}

}  // namespace

std::unique_ptr<Registry> OpenSystemRegistry() {
  return OpenHiveFileRegistry(ConfigurationHome() / "zelmora");
}

}  // namespace zelmora::platform
