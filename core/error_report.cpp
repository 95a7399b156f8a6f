#include "core/error_report.h"

#include <exception>
#include <utility>

#include "core/event_log.h"

namespace zelmora {

std::string ErrorReportText(std::string text) {
  if (!text.empty() && static_cast<unsigned char>(text.back()) > static_cast<unsigned char>('.')) {
    text += '.';
  }
  return text;
}

namespace {

// User-interface thread only, as the reports are.
ErrorReportHold* currentHold = nullptr;

}  // namespace

void ReportError(platform::Desktop& desktop, const std::string& text) {
  const std::string shown = ErrorReportText(text);
  if (currentHold != nullptr) {
    LogEvent("error held until the main window is opened: " + shown);
    currentHold->onHeld_(shown);
    return;
  }
  ShowErrorReport(desktop, shown);
}

void ShowErrorReport(platform::Desktop& desktop, const std::string& shown) {
  LogEvent("error shown: " + shown);
  desktop.ShowError(shown);
}

ErrorReportHold::ErrorReportHold(std::function<void(const std::string&)> onHeld)
    : onHeld_(std::move(onHeld)), previous_(std::exchange(currentHold, this)) {}

ErrorReportHold::~ErrorReportHold() { currentHold = previous_; }

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
