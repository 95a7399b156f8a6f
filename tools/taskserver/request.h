#pragma once
// The little of HTTP the stand-in needs: the request line and its query.

#include <optional>
#include <string>
#include <string_view>

namespace zelmora::taskserver {

struct RequestLine {
  std::string method;
  std::string path;   // before '?'
  std::string query;  // after '?', as sent
};

// "GET /tx.php?a=b HTTP/1.1". The target runs from the first blank to the last,
// so a worker id with blanks in it, sent unencoded, stays in the query.
std::optional<RequestLine> ParseRequestLine(std::string_view line);

// The first value of `name` in the query, as sent; nothing when absent.
std::optional<std::string> QueryValue(std::string_view query, std::string_view name);

// %XX escapes decoded (a web view encodes what the reminder sends raw).
std::string PercentDecoded(std::string_view text);

}  // namespace zelmora::taskserver
