#include "core/readable_text.h"

#include <cstddef>

namespace zelmora {
namespace {

constexpr char32_t kInvalid = 0xFFFFFFFF;

// The character at `at` and its length in bytes; kInvalid for a byte that
// starts no valid sequence (overlong forms and surrogates included).
char32_t Decode(std::string_view text, std::size_t at, std::size_t& length) {
  const auto lead = static_cast<unsigned char>(text[at]);
  char32_t character = 0;
  char32_t smallest = 0;  // below this the form is overlong
  if (lead < 0x80) {
    length = 1;
    return lead;
  }
  if (lead >= 0xC2 && lead < 0xE0) {
    length = 2;
    character = lead & 0x1F;
    smallest = 0x80;
  } else if (lead >= 0xE0 && lead < 0xF0) {
    length = 3;
    character = lead & 0x0F;
    smallest = 0x800;
  } else if (lead >= 0xF0 && lead < 0xF5) {
    length = 4;
    character = lead & 0x07;
    smallest = 0x10000;
  } else {
    return kInvalid;
  }
  if (at + length > text.size()) return kInvalid;
  for (std::size_t i = 1; i < length; ++i) {
    const auto next = static_cast<unsigned char>(text[at + i]);
    if ((next & 0xC0) != 0x80) return kInvalid;
    character = (character << 6) | (next & 0x3F);
  }
  if (character < smallest || character > 0x10FFFF || (character >= 0xD800 && character <= 0xDFFF)) {
    return kInvalid;
  }
  return character;
}

bool ActsRatherThanShows(char32_t c) {
  return c < 0x20 || (c >= 0x7F && c <= 0x9F)  // C0, DEL, C1 (NEL among them)
         || c == 0x061C                        // Arabic letter mark
         || c == 0x180E                        // Mongolian vowel separator
         || (c >= 0x200B && c <= 0x200F)       // zero-width space, joiners, LRM, RLM
         || (c >= 0x2028 && c <= 0x202E)       // line and paragraph separators, embeddings, overrides
         || (c >= 0x2060 && c <= 0x206F)       // word joiner, invisible operators, isolates
         || c == 0xFEFF;                       // zero-width no-break space
}

}  // namespace

std::string ReadableLine(std::string_view text) {
  std::string line;
  line.reserve(text.size());
  for (std::size_t at = 0; at < text.size();) {
    std::size_t length = 1;
    const char32_t character = Decode(text, at, length);
    if (character == kInvalid) {
      line += '?';
      ++at;
      continue;
    }
    if (!ActsRatherThanShows(character)) {
      line.append(text, at, length);
    } else if (!(character == '\r' && at + 1 < text.size() && text[at + 1] == '\n')) {
      line += ' ';  // CR LF becomes one space, at its LF
    }
    at += length;
  }
  return line;
}

}  // namespace zelmora
