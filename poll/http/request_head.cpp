#include "poll/http/request_head.h"

#include <array>
#include <string_view>

#include "core/ascii_text.h"

namespace zelmora::http {
namespace {

// The header order servers of the original program saw; custom headers sit
// between "Pragma" and "Proxy-Connection".
constexpr std::array<std::string_view, 11> kFieldsBeforeCustom = {"Connection",
                                                                  "Content-Version",
                                                                  "Content-Encoding",
                                                                  "Content-Language",
                                                                  "Content-Type",
                                                                  "Content-Length",
                                                                  "Cache-control",
                                                                  "Date",
                                                                  "Expires",
                                                                  "Last-Modified",
                                                                  "Pragma"};
constexpr std::array<std::string_view, 14> kFieldsAfterCustom = {"Proxy-Connection",
                                                                 "Host",
                                                                 "Accept",
                                                                 "Accept-Charset",
                                                                 "Accept-Encoding",
                                                                 "Accept-Language",
                                                                 "From",
                                                                 "Referer",
                                                                 "User-Agent",
                                                                 "If-Modified-Since",
                                                                 "Range",
                                                                 "Authorization",
                                                                 "Proxy-Authorization",
                                                                 "Cookie"};

// Each field on one line, however long: HTTP/1.1 forbids a sender to fold,
// and nginx answers a folded request with 400. The cookie caps bound the line.
void AppendLine(std::string& head, std::string_view line) {
  head += line;
  head += "\r\n";
}

void AppendField(std::string& head, std::string_view name, const std::string& value) {
  if (!value.empty()) AppendLine(head, std::string(name) + ": " + value);
}

}  // namespace

std::string BuildRequestHead(const RequestHead& request) {
  std::string head = request.method + " " + request.target + " HTTP/" + request.protocolVersion + "\r\n";
  for (const auto name : kFieldsBeforeCustom) AppendField(head, name, request.fields.Value(name));
  for (const auto& line : request.custom.Lines()) {
    if (!Trim(line).empty()) AppendLine(head, line);
  }
  for (const auto name : kFieldsAfterCustom) AppendField(head, name, request.fields.Value(name));
  head += "\r\n";
  return head;
}

}  // namespace zelmora::http
