#pragma once
#include <functional>
#include <string>

#include "platform/desktop.h"

namespace zelmora {

// The text of an error report: a full stop is added when the text is not empty and
// its last byte sorts after the full stop (letters and digits get one; an
// apostrophe, a closing parenthesis or a full stop do not).
std::string ErrorReportText(std::string text);

// The application's default error report: a stop-icon message box captioned with
// the application's title.
void ReportError(platform::Desktop& desktop, const std::string& text);

// Wraps an event handler so that a failure escaping it is reported and the
// program goes on, as the window system's event dispatch does.
std::function<void()> Guarded(platform::Desktop& desktop, std::function<void()> handler);

}  // namespace zelmora
