#include "platform/system_posix/xdg_directories.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace zelmora::platform {
namespace {

std::filesystem::path HomeDirectory() {
  if (const char* home = std::getenv("HOME"); home && home[0] != '\0') return home;
  if (const passwd* user = ::getpwuid(::getuid()); user && user->pw_dir) return user->pw_dir;
  return {};
}

// The XDG rules ignore a relative value.
std::filesystem::path BaseDirectory(const char* variable, const std::filesystem::path& belowHome) {
  if (const char* value = std::getenv(variable); value && value[0] == '/') return value;
  return HomeDirectory() / belowHome;
}

}  // namespace

std::filesystem::path ConfigurationHome() { return BaseDirectory("XDG_CONFIG_HOME", ".config"); }

std::filesystem::path StateHome() {
  return BaseDirectory("XDG_STATE_HOME", std::filesystem::path(".local") / "state");
}

}  // namespace zelmora::platform
