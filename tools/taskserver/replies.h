#pragma once
// The stand-in's answers: the counter reply and the task page.

#include <string>
#include <string_view>

#include "tools/taskserver/request.h"
#include "tools/taskserver/task_feed.h"

namespace zelmora::taskserver {

// A complete HTTP/1.1 reply with Content-Length; the connection closes after it.
std::string HttpReply(int status, std::string_view reason, std::string_view contentType,
                      std::string_view body);

// "1|taskid|noteid|announcement", the announcement in GBK. Field 0 is a status
// the reminder never reads.
std::string CounterReplyBody(const FeedState& state);

// A small UTF-8 page that names the worker, the task and the filters asked for.
std::string TaskPage(const RequestLine& request, const FeedState& state);

// The reply to one request line.
std::string ReplyTo(const RequestLine& request, const FeedState& state);

}  // namespace zelmora::taskserver
