#pragma once
#include <string>

namespace zelmora::platform {

// This program's own file, in full (however long); empty when the system cannot say.
std::wstring ProgramPath();

}  // namespace zelmora::platform
