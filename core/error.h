#pragma once
#include <algorithm>
#include <stdexcept>
#include <string>

namespace zelmora {

// Every failure the program raises carries its user-facing text as what(). A
// NUL in the text (quoted from a server's reply) shows as "?", since what()
// would end the message there.
class Error : public std::runtime_error {
 public:
  explicit Error(const std::string& text) : std::runtime_error(WithoutNul(text)) {}

 private:
  static std::string WithoutNul(std::string text) {
    std::replace(text.begin(), text.end(), '\0', '?');
    return text;
  }
};

}  // namespace zelmora
