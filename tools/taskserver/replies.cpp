#include "tools/taskserver/replies.h"

namespace zelmora::taskserver {
namespace {

std::string HtmlEscaped(std::string_view text) {
  std::string escaped;
  for (char c : text) {
    switch (c) {
      case '&': escaped += "&amp;"; break;
      case '<': escaped += "&lt;"; break;
      case '>': escaped += "&gt;"; break;
      case '"': escaped += "&quot;"; break;
      default: escaped += c;
    }
  }
  return escaped;
}

std::string FilterList(std::string_view query) {
  std::string list;
  for (const char* filter : {"type1", "type2", "ip1", "ip2"}) {
    if (QueryValue(query, filter) == "1") {
      if (!list.empty()) list += ", ";
      list += filter;
    }
  }
  return list.empty() ? "none" : list;
}

}  // namespace

std::string HttpReply(int status, std::string_view reason, std::string_view contentType,
                      std::string_view body) {
  std::string reply = "HTTP/1.1 " + std::to_string(status) + " " + std::string(reason) + "\r\n";
  reply += "Content-Type: " + std::string(contentType) + "\r\n";
  reply += "Content-Length: " + std::to_string(body.size()) + "\r\n";
  reply += "Connection: close\r\n\r\n";
  reply += body;
  return reply;
}

std::string CounterReplyBody(const FeedState& state) {
  return "1|" + std::to_string(state.taskId) + "|" + std::to_string(state.noteId) + "|" +
         AnnouncementGbk(state.noteId);
}

std::string TaskPage(const RequestLine& request, const FeedState& state) {
  std::string worker = HtmlEscaped(PercentDecoded(QueryValue(request.query, "userid").value_or("")));
  std::string task = HtmlEscaped(PercentDecoded(QueryValue(request.query, "taskid").value_or("")));
  return "<!DOCTYPE html>\n<html><head><meta charset=\"UTF-8\"><title>任务</title></head>\n"
         "<body style=\"font:12px sans-serif;margin:6px\">\n"
         "<p><b>新任务 #" +
         std::to_string(state.taskId) +
         "</b></p>\n"
         "<p>工号: <span id=\"userid\">" +
         worker +
         "</span></p>\n"
         "<p>taskid: <span id=\"taskid\">" +
         task +
         "</span></p>\n"
         "<p>filters: <span id=\"filters\">" +
         FilterList(request.query) +
         "</span></p>\n"
         "</body></html>\n";
}

std::string ReplyTo(const RequestLine& request, const FeedState& state) {
  if (request.method != "GET") return HttpReply(405, "Method Not Allowed", "text/plain", "GET only\n");
  std::optional<std::string> action = QueryValue(request.query, "action");
  if (request.path == "/tx.php" && action == "getnum") {
    return HttpReply(200, "OK", "text/plain; charset=GBK", CounterReplyBody(state));
  }
  if (request.path == "/tx.php" && action == "show") {
    return HttpReply(200, "OK", "text/html; charset=UTF-8", TaskPage(request, state));
  }
  return HttpReply(404, "Not Found", "text/plain", "no such page\n");
}

}  // namespace zelmora::taskserver
