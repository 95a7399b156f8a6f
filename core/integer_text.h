#pragma once
#include <cstdint>
#include <optional>
#include <string_view>

namespace zelmora {

// The one integer rule for typed seconds and server fields: leading spaces (not
// tabs), an optional sign, then decimal digits within the 32-bit signed range, or
// up to eight hexadecimal digits after "$", "x", "X", "0x" or "0X" taken as a 32-bit
// pattern. Nothing may follow the digits.
std::optional<int32_t> ParseInteger(std::string_view text);

// Multiplies in 32-bit two's complement: a product out of range wraps.
int32_t WrappingTimes1000(int32_t seconds);

}  // namespace zelmora
