#include "poll/http/address.h"

#include "core/ascii_text.h"
#include "poll/http/http_errors.h"

namespace zelmora::http {
namespace {

// A GBK character whose second byte is 0x5C holds no backslash.
void BackslashesToSlashes(std::string& text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (IsGbkLeadByte(text[i]) && i + 1 < text.size()) {
      ++i;
    } else if (text[i] == '\\') {
      text[i] = '/';
    }
  }
}

std::uint16_t ParsePort(const std::string& text) {
  const auto value = ParseWholeNumber<std::uint16_t>(text);
  if (!value) throw InvalidIntegerError(text);
  return *value;
}

}  // namespace

SplitAddress SplitHttpAddress(std::string address) {
  BackslashesToSlashes(address);
  SplitAddress split;

  std::string_view rest = address;
  if (const auto schemeEnd = rest.find("://"); schemeEnd != std::string_view::npos) {
    split.scheme = rest.substr(0, schemeEnd);
    rest.remove_prefix(schemeEnd + 3);
  }
  if (split.scheme.empty()) split.scheme = "http";

  std::string_view authority = rest.substr(0, rest.find('/'));
  rest.remove_prefix(authority.size() < rest.size() ? authority.size() + 1 : rest.size());
  // User information is never sent: the client has no credentials to offer.
  if (const auto at = authority.rfind('@'); at != std::string_view::npos) authority.remove_prefix(at + 1);
  const auto colon = authority.find(':');
  split.host = authority.substr(0, colon);
  const std::string portText(colon == std::string_view::npos ? std::string_view()
                                                             : authority.substr(colon + 1));

  if (!portText.empty()) {
    split.port = ParsePort(portText);
  } else if (EqualsIgnoringAsciiCase(split.scheme, "http")) {
    split.port = 80;
  } else if (EqualsIgnoringAsciiCase(split.scheme, "https")) {
    split.port = 443;
  } else {
    throw HttpError("");
  }
  const std::string effectivePort = portText.empty() ? std::to_string(split.port) : portText;
  split.hostHeader = effectivePort == "80" ? split.host : split.host + ":" + effectivePort;

  rest = rest.substr(0, rest.find('#'));
  const auto queryStart = rest.find('?');
  if (queryStart != std::string_view::npos) {
    split.query = rest.substr(queryStart);
    rest = rest.substr(0, queryStart);
  }
  const auto lastSlash = rest.rfind('/');
  const auto documentStart = lastSlash == std::string_view::npos ? 0 : lastSlash + 1;
  split.path.assign(1, '/').append(rest.substr(0, documentStart));
  split.document = rest.substr(documentStart);
  return split;
}

}  // namespace zelmora::http
