#pragma once
// The user's base directories as the XDG rules give them: an absolute
// environment value, else the default below the home directory.
#include <filesystem>

namespace zelmora::platform {

std::filesystem::path ConfigurationHome();  // $XDG_CONFIG_HOME, ~/.config
std::filesystem::path StateHome();          // $XDG_STATE_HOME, ~/.local/state

}  // namespace zelmora::platform
