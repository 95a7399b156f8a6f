#pragma once
#include <stdexcept>
#include <string>

namespace zelmora {

// Every failure the program raises carries its user-facing text as what().
class Error : public std::runtime_error {
 public:
  explicit Error(const std::string& text) : std::runtime_error(text) {}
};

}  // namespace zelmora
