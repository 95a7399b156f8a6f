#pragma once
#include <windows.h>

#include <string>

namespace zelmora::platform::win32 {

// The system's text for a failure code, as the user sees it.
std::string ErrorText(HRESULT result);

}  // namespace zelmora::platform::win32
