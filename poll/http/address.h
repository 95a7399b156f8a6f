#pragma once
#include <cstdint>
#include <string>

namespace zelmora::http {

// An absolute address cut into what the GET needs. Nothing is encoded or decoded.
struct SplitAddress {
  std::string scheme;  // "http" when the address names none
  std::string host;
  std::uint16_t port = 80;  // 80 for http, 443 for https when not written
  std::string path;         // "/" up to and including the last "/" before the query
  std::string document;
  std::string query;  // from "?" on, or empty
  std::string Target() const { return path + document + query; }
  std::string hostHeader;  // host, plus ":" and the port text unless that is "80"
};

// Throws HttpError for a port that is not a decimal integer in 0..65535, and an
// HttpError with an empty text for a scheme other than http/https without a port.
SplitAddress SplitHttpAddress(std::string address);

}  // namespace zelmora::http
