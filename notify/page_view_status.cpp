#include "notify/page_view_status.h"

#include "core/readable_text.h"

namespace zelmora {

std::string PageViewStatus::Apply(const std::string& trouble, std::chrono::system_clock::time_point when) {
  // The reason may quote what the page view's helper said: one readable line.
  const std::string line = trouble.empty() ? std::string() : ReadableLine(trouble);
  if (line == trouble_) return {};
  if (trouble_.empty()) since_ = when;
  trouble_ = line;
  return line.empty() ? "the page view shows pages again" : "page view failed: " + line;
}

std::string PageViewStatus::TooltipLines() const {
  if (trouble_.empty()) return {};
  return "\n无法显示任务页（自 " + timeText_(since_) + " 起）\n" + trouble_;
}

}  // namespace zelmora
