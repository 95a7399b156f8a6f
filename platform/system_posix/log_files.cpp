#include "platform/log_files.h"

#include <filesystem>
#include <system_error>

#include "platform/system_posix/xdg_directories.h"

namespace zelmora::platform {

std::string LogFilePath() { return (StateHome() / "zelmora" / "zelmora.log").string(); }

std::FILE* OpenForAppending(const std::string& path) {
  std::error_code ignored;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
  return std::fopen(path.c_str(), "ab");
}

bool MoveReplacing(const std::string& from, const std::string& to) {
  return std::rename(from.c_str(), to.c_str()) == 0;
}

}  // namespace zelmora::platform
