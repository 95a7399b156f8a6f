#pragma once
// What the tray icon tells when the popup cannot show task pages: the reason
// and since when, under a dimmed icon, as it tells of a failing poll. Without
// it a page view that cannot run would leave every task unseen while the
// reminder looks well.
#include <chrono>
#include <functional>
#include <string>

namespace zelmora {

class PageViewStatus {
 public:
  using TimeText = std::function<std::string(std::chrono::system_clock::time_point)>;

  explicit PageViewStatus(TimeText timeText) : timeText_(std::move(timeText)) {}

  // Takes in the page view's news: why it cannot show pages, or an empty text
  // when it shows them again. Returns the log line for a change worth keeping
  // (a new reason, the recovery), and an empty text otherwise.
  std::string Apply(const std::string& trouble, std::chrono::system_clock::time_point when);

  bool Troubled() const { return !trouble_.empty(); }
  // The tooltip's lines about it, each after a line break; empty while all is well.
  std::string TooltipLines() const;

 private:
  TimeText timeText_;
  std::string trouble_;
  std::chrono::system_clock::time_point since_;
};

}  // namespace zelmora
