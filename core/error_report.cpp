#include "core/error_report.h"

#include <exception>

#include "core/event_log.h"

namespace zelmora {

std::string ErrorReportText(std::string text) {
  if (!text.empty() && static_cast<unsigned char>(text.back()) > static_cast<unsigned char>('.')) {
    text += '.';
  }
  return text;
}

void ReportError(platform::Desktop& desktop, const std::string& text) {
  const std::string shown = ErrorReportText(text);
  LogEvent("error shown: " + shown);
  desktop.ShowError(shown);
}

std::function<void()> Guarded(platform::Desktop& desktop, std::function<void()> handler) {
  return [&desktop, handler = std::move(handler)] {
    try {
      handler();
    } catch (const std::exception& failure) {
      ReportError(desktop, failure.what());
    }
  };
}

}  // namespace zelmora
