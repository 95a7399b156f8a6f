#include "core/integer_text.h"

#include <algorithm>
#include <charconv>

namespace zelmora {
namespace {

std::optional<uint32_t> ParseHexPattern(std::string_view digits) {
  if (digits.empty() || digits.size() > 8) return std::nullopt;
  uint32_t value = 0;
  auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
  if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  return value;
}

std::optional<int64_t> ParseDecimal(std::string_view digits) {
  // from_chars would accept a sign of its own; only plain digits are allowed here.
  if (digits.empty() || digits.front() < '0' || digits.front() > '9') return std::nullopt;
  int64_t value = 0;
  auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value, 10);
  if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  return value;
}

}  // namespace

std::optional<int32_t> ParseInteger(std::string_view text) {
  text.remove_prefix(std::min(text.find_first_not_of(' '), text.size()));
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }

  std::string_view hexDigits;
  bool hex = true;
  if (text.starts_with('$') || text.starts_with('x') || text.starts_with('X')) {
    hexDigits = text.substr(1);
  } else if (text.starts_with("0x") || text.starts_with("0X")) {
    hexDigits = text.substr(2);
  } else {
    hex = false;
  }

  if (hex) {
    auto pattern = ParseHexPattern(hexDigits);
    if (!pattern) return std::nullopt;
    uint32_t bits = negative ? 0u - *pattern : *pattern;
    return static_cast<int32_t>(bits);
  }

  auto value = ParseDecimal(text);
  if (!value) return std::nullopt;
  int64_t signedValue = negative ? -*value : *value;
  if (signedValue < INT32_MIN || signedValue > INT32_MAX) return std::nullopt;
  return static_cast<int32_t>(signedValue);
}

int32_t WrappingTimes1000(int32_t seconds) {
  return static_cast<int32_t>(static_cast<uint32_t>(seconds) * 1000u);
}

}  // namespace zelmora
