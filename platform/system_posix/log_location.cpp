#include "platform/log_location.h"

#include "platform/system_posix/xdg_directories.h"

namespace zelmora::platform {

std::filesystem::path LogFilePath() { return StateHome() / "zelmora" / "zelmora.log"; }

}  // namespace zelmora::platform
