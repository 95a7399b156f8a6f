#include "poll/task_server.h"

#include "core/ascii_text.h"
#include "core/error.h"
#include "core/integer_text.h"

namespace zelmora {
namespace {

constexpr std::string_view kScript = "/tx.php";

void AppendFilters(std::string& address, const FilterChoice& filters) {
  if (filters.type1) address += "&type1=1";
  if (filters.type2) address += "&type2=1";
  if (filters.ip1) address += "&ip1=1";
  if (filters.ip2) address += "&ip2=1";
}

std::string BaseAddress(std::string_view host) {
  std::string address = "http://";
  address += host;
  address += kScript;
  return address;
}

// Where the delimiter stands, counting characters of the reply's code page:
// the second byte of a GBK character (東 is 96 7C) is never a "|".
size_t FindDelimiter(std::string_view text, std::string_view delimiter) {
  for (size_t at = 0; at + delimiter.size() <= text.size(); at += IsGbkLeadByte(text[at]) ? 2 : 1) {
    if (text.compare(at, delimiter.size(), delimiter) == 0) return at;
  }
  return std::string_view::npos;
}

int32_t FieldAsInteger(const std::vector<std::string>& fields, size_t index) {
  if (index >= fields.size()) throw Error("List index out of bounds (" + std::to_string(index) + ")");
  auto value = ParseInteger(fields[index]);
  if (!value) throw Error("'" + fields[index] + "' is not a valid integer value");
  return *value;
}

}  // namespace

std::vector<std::string> SplitFields(std::string_view text, std::string_view delimiter) {
  std::vector<std::string> fields;
  for (size_t found = FindDelimiter(text, delimiter); found != std::string_view::npos;
       found = FindDelimiter(text, delimiter)) {
    if (found > 0) fields.emplace_back(text.substr(0, found));
    text.remove_prefix(found + delimiter.size());
  }
  fields.emplace_back(text);
  return fields;
}

std::string CounterRequestAddress(std::string_view host, int32_t taskId, int32_t noteId,
                                  const FilterChoice& filters) {
  std::string address = BaseAddress(host);
  address += "?action=getnum&taskid=" + std::to_string(taskId);
  address += "&noteid=" + std::to_string(noteId);
  AppendFilters(address, filters);
  return address;
}

std::string TaskPageAddress(std::string_view host, std::string_view userId, int32_t prevTaskId,
                            const FilterChoice& filters) {
  std::string address = BaseAddress(host);
  address += "?action=show&userid=";
  address += userId;
  address += "&taskid=" + std::to_string(prevTaskId);
  AppendFilters(address, filters);
  return address;
}

void ApplyCounterReply(std::string_view reply, PollState& state,
                       const std::function<void(std::string)>& showAnnouncement) {
  const std::vector<std::string> fields = SplitFields(reply, "|");

  const int32_t serverTaskId = FieldAsInteger(fields, 1);
  const int32_t taskId = state.TaskId.load();
  if (serverTaskId > taskId) {
    state.PrevTaskId.store(taskId);
    state.TaskId.store(serverTaskId);
    state.NewTaskFlag.store(1, std::memory_order_release);
  }

  const int32_t serverNoteId = FieldAsInteger(fields, 2);
  if (serverNoteId > state.NoteId.load()) {
    state.NoteId.store(serverNoteId);
    if (fields.size() <= 3) throw Error("List index out of bounds (3)");
    showAnnouncement(fields[3]);
  }
}

}  // namespace zelmora
