#pragma once
// The log's place and the few file operations it needs, on each system's own
// calls (on Windows, std::filesystem alone would triple the program's size).
// Paths are UTF-8.
#include <cstdio>
#include <string>

namespace zelmora::platform {

// $XDG_STATE_HOME/zelmora/zelmora.log (by default ~/.local/state) on Linux,
// %LOCALAPPDATA%\zelmora\zelmora.log on Windows.
std::string LogFilePath();

// Opens the file for appending, creating missing folders first; null when the
// system refuses.
std::FILE* OpenForAppending(const std::string& path);

// Moves `from` to `to`, replacing a file there. False when the system refuses.
bool MoveReplacing(const std::string& from, const std::string& to);

}  // namespace zelmora::platform
