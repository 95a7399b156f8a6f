#pragma once
#include <string>

#include "poll/http/header_list.h"

namespace zelmora::http {

// What the client puts before the request's empty line. `fields` holds the
// well-known headers by name, `custom` any others; both may be empty.
struct RequestHead {
  std::string method = "GET";
  std::string target;
  std::string protocolVersion = "1.1";
  HeaderList fields;
  HeaderList custom;
};

// The request line and the header block in the one fixed order, empty values
// left out, every field on one line ended by CR LF, then the empty line.
std::string BuildRequestHead(const RequestHead& head);

}  // namespace zelmora::http
