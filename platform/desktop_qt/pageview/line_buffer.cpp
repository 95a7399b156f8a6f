#include "platform/desktop_qt/pageview/line_buffer.h"

namespace zelmora::platform::qt {

std::vector<std::string> LineBuffer::Append(std::string_view bytes) {
  std::vector<std::string> lines;
  while (!bytes.empty()) {
    const std::size_t end = bytes.find('\n');
    const std::string_view piece = bytes.substr(0, end);
    if (!discarding_) {
      if (pending_.size() + piece.size() > maxLineBytes_ + 1) {  // + 1: a '\r' before the '\n'
        pending_.clear();
        discarding_ = true;
      } else {
        pending_.append(piece);
      }
    }
    if (end == std::string_view::npos) break;
    if (!discarding_) {
      if (!pending_.empty() && pending_.back() == '\r') pending_.pop_back();
      if (pending_.size() <= maxLineBytes_) lines.push_back(pending_);
    }
    pending_.clear();
    discarding_ = false;
    bytes.remove_prefix(end + 1);
  }
  return lines;
}

}  // namespace zelmora::platform::qt
