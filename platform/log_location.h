#pragma once
// Where the program keeps its log: $XDG_STATE_HOME/zelmora/zelmora.log (by
// default ~/.local/state) on Linux, %LOCALAPPDATA%\zelmora\zelmora.log on Windows.
#include <filesystem>

namespace zelmora::platform {

std::filesystem::path LogFilePath();

}  // namespace zelmora::platform
