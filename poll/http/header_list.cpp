#include "poll/http/header_list.h"

#include "core/ascii_text.h"

namespace zelmora::http {
namespace {

bool IsContinuation(std::string_view line) { return !line.empty() && (line[0] == ' ' || line[0] == '\t'); }

bool HasName(std::string_view line, std::string_view name) {
  if (IsContinuation(line)) return false;
  const auto colon = line.find(':');
  return colon != std::string_view::npos && EqualsIgnoringAsciiCase(Trim(line.substr(0, colon)), name);
}

}  // namespace

std::string HeaderList::JoinedValue(std::size_t index) const {
  const std::string_view first = lines_[index];
  std::string value(Trim(first.substr(first.find(':') + 1)));
  for (std::size_t next = index + 1; next < lines_.size() && IsContinuation(lines_[next]); ++next) {
    value += ' ';
    value += Trim(lines_[next]);
  }
  return std::string(Trim(value));
}

std::string HeaderList::Value(std::string_view name) const {
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (HasName(lines_[i], name)) return JoinedValue(i);
  }
  return {};
}

std::vector<std::string> HeaderList::Values(std::string_view name) const {
  std::vector<std::string> values;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (HasName(lines_[i], name)) values.push_back(JoinedValue(i));
  }
  return values;
}

void HeaderList::Set(std::string_view name, std::string_view value) {
  std::string line = std::string(name) + ": " + std::string(value);
  for (auto& existing : lines_) {
    if (HasName(existing, name)) {
      existing = std::move(line);
      return;
    }
  }
  lines_.push_back(std::move(line));
}

}  // namespace zelmora::http
