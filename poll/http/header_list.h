#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace zelmora::http {

// Header lines in arrival order, each "Name: value". Lines starting with a space
// or a tab continue the line before them. Names compare without regard to case.
class HeaderList {
 public:
  void AddLine(std::string line) { lines_.push_back(std::move(line)); }
  const std::vector<std::string>& Lines() const { return lines_; }

  // The first line with this name, its continuation lines joined with one space,
  // trimmed; empty when there is none.
  std::string Value(std::string_view name) const;
  // Every line with this name, in order, each joined and trimmed like Value().
  std::vector<std::string> Values(std::string_view name) const;
  // Replaces the first line with this name, or appends one.
  void Set(std::string_view name, std::string_view value);

 private:
  std::string JoinedValue(std::size_t index) const;
  std::vector<std::string> lines_;
};

}  // namespace zelmora::http
