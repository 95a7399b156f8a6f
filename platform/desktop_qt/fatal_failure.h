#pragma once
#include <exception>

namespace zelmora::platform::qt {

// The last net of the program entry: says what went wrong on stderr and, where
// a display allows, in a message box. Returns the exit code.
int ReportFatalFailure(std::exception_ptr failure) noexcept;

}  // namespace zelmora::platform::qt
