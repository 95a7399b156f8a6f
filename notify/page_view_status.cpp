#include "notify/page_view_status.h"

namespace zelmora {

std::string PageViewStatus::Apply(const std::string& trouble, std::chrono::system_clock::time_point when) {
  if (trouble == trouble_) return {};
  if (trouble_.empty()) since_ = when;
  trouble_ = trouble;
  return trouble.empty() ? "the page view shows pages again" : "page view failed: " + trouble;
}

std::string PageViewStatus::TooltipLines() const {
  if (trouble_.empty()) return {};
  return "\n无法显示任务页（自 " + timeText_(since_) + " 起）\n" + trouble_;
}

}  // namespace zelmora
