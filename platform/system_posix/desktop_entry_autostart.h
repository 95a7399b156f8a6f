#pragma once
// Start at login on freedesktop desktops: an autostart entry, zelmora.desktop,
// in the given directory, whose Exec line runs `program` with `arguments`.
// The entry counts as on when its Exec line starts this program and the
// desktop did not mark it hidden or disabled.
#include <filesystem>
#include <memory>
#include <string>

#include "platform/start_at_login.h"

namespace zelmora::platform {

std::unique_ptr<StartAtLogin> OpenDesktopEntryAutostart(std::filesystem::path directory,
                                                        std::filesystem::path program, std::string arguments);

// The program's path as one argument of an Exec line: quoted and escaped by
// the desktop entry rules, then escaped as a string value.
std::string DesktopEntryExecArgument(const std::string& path);
// The program an Exec value starts: its first argument, unquoted and unescaped.
std::string DesktopEntryExecProgram(const std::string& value);

}  // namespace zelmora::platform
