#include "tools/taskserver/request.h"

#include <charconv>

namespace zelmora::taskserver {

std::optional<RequestLine> ParseRequestLine(std::string_view line) {
  size_t first = line.find(' ');
  size_t last = line.rfind(' ');
  if (first == std::string_view::npos || first == last || !line.substr(last + 1).starts_with("HTTP/")) {
    return std::nullopt;
  }
  std::string_view target = line.substr(first + 1, last - first - 1);
  size_t question = target.find('?');
  RequestLine request{std::string(line.substr(0, first)), std::string(target.substr(0, question)), ""};
  if (question != std::string_view::npos) request.query = target.substr(question + 1);
  return request;
}

std::optional<std::string> QueryValue(std::string_view query, std::string_view name) {
  while (!query.empty()) {
    size_t amp = query.find('&');
    std::string_view pair = query.substr(0, amp);
    size_t equals = pair.find('=');
    if (pair.substr(0, equals) == name) {
      return std::string(equals == std::string_view::npos ? std::string_view() : pair.substr(equals + 1));
    }
    query.remove_prefix(amp == std::string_view::npos ? query.size() : amp + 1);
  }
  return std::nullopt;
}

std::string PercentDecoded(std::string_view text) {
  std::string decoded;
  for (size_t i = 0; i < text.size(); ++i) {
    unsigned byte = 0;
    if (text[i] == '%' && i + 2 < text.size() &&
        std::from_chars(text.data() + i + 1, text.data() + i + 3, byte, 16).ptr == text.data() + i + 3) {
      decoded += static_cast<char>(byte);
      i += 2;
    } else {
      decoded += text[i];
    }
  }
  return decoded;
}

}  // namespace zelmora::taskserver
