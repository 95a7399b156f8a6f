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

std::string FoldHeaderLine(std::string_view line, std::size_t width) {
  std::string folded;
  folded.reserve(line.size() + line.size() / 16);
  // Works on views of `line` so each byte is copied once, however many pieces.
  std::string_view rest = line;
  std::size_t lead = 0;  // 1 once `rest` continues a line: the space it starts with
  while (lead + rest.size() > width) {
    // Last break character whose piece still fits, outside double quotes.
    std::size_t cut = std::string_view::npos;
    bool quoted = false;
    for (std::size_t i = 0; lead + i < width; ++i) {
      const char c = rest[i];
      if (c == '"') quoted = !quoted;
      if (!quoted && lead + i > 0 && (c == ' ' || c == '\t' || c == ',')) cut = i;
    }
    const std::string_view piece =
        cut == std::string_view::npos ? std::string_view() : TrimRight(rest.substr(0, cut + 1));
    if (piece.empty()) break;  // nowhere to break: send the rest as it is
    folded.append(lead, ' ').append(piece).append("\r\n");
    rest.remove_prefix(cut + 1);
    const auto firstVisible = rest.find_first_not_of(" \t");
    if (firstVisible == std::string_view::npos) {
      folded.resize(folded.size() - 2);  // no empty continuation line
      return folded;
    }
    rest.remove_prefix(firstVisible);
    lead = 1;
  }
  folded.append(lead, ' ').append(rest);
  return folded;
}

}  // namespace zelmora::http
