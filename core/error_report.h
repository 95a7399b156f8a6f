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
// the application's title. While an ErrorReportHold is in place, the report is
// logged and handed to it instead.
void ReportError(platform::Desktop& desktop, const std::string& text);

// The message box of a report, its text already as ErrorReportText made it; logged.
void ShowErrorReport(platform::Desktop& desktop, const std::string& shown);

// Holds the error reports of the user-interface thread for its lifetime: a
// reminder started at login must not wait at a message box nobody sees. The
// holder shows them later with ShowErrorReport.
class ErrorReportHold {
 public:
  explicit ErrorReportHold(std::function<void(const std::string& shown)> onHeld);
  ~ErrorReportHold();
  ErrorReportHold(const ErrorReportHold&) = delete;
  ErrorReportHold& operator=(const ErrorReportHold&) = delete;

 private:
  friend void ReportError(platform::Desktop& desktop, const std::string& text);
  std::function<void(const std::string&)> onHeld_;
  ErrorReportHold* previous_;
};

// Wraps an event handler so that a failure escaping it is reported and the
// program goes on, as the window system's event dispatch does.
std::function<void()> Guarded(platform::Desktop& desktop, std::function<void()> handler);

}  // namespace zelmora
