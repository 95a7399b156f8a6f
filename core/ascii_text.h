#pragma once
// Rules for byte text whose syntax is ASCII (header names, schemes, cookie
// attributes, registry names, numbers) while other bytes, GBK above 0x7F
// included, pass through untouched.
#include <charconv>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

namespace zelmora {

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b);
// LowerAscii(a) < LowerAscii(b), bytes compared unsigned as std::string does,
// and whether `needle` occurs in `haystack`, letter case ignored: both
// without copying either text.
bool LessIgnoringAsciiCase(std::string_view a, std::string_view b);
bool ContainsIgnoringAsciiCase(std::string_view haystack, std::string_view needle);
std::string LowerAscii(std::string_view text);

// Text in the program's code page, GBK: a lead byte's next byte belongs to its
// character, even where it looks like ASCII ("\\", "|").
inline bool IsGbkLeadByte(char byte) {
  const auto value = static_cast<unsigned char>(byte);
  return value >= 0x81 && value <= 0xFE;
}

// Drops spaces, tabs, CR and LF at both ends.
std::string_view Trim(std::string_view text);
std::string_view TrimRight(std::string_view text);

// The whole text read as one number (an integer in the given base, or a
// floating-point number): nothing may stand before or after it, where
// std::from_chars alone would read a number off the front of any text.
template <typename Number, typename... Base>
std::optional<Number> ParseWholeNumber(std::string_view text, Base... base) {
  Number value{};
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value, base...);
  if (text.empty() || error != std::errc() || stop != end) return std::nullopt;
  return value;
}

}  // namespace zelmora
