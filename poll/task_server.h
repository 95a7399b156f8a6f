#pragma once
// What the reminder says to the task server and how it reads the answers.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "poll/poll_state.h"
#include "poll/task_filters.h"

namespace zelmora {

// Cuts GBK text at every delimiter that begins a character; empty pieces
// vanish except the one after the last delimiter, which is always kept.
std::vector<std::string> SplitFields(std::string_view text, std::string_view delimiter);

// "http://HOST/tx.php?action=getnum&taskid=T&noteid=N" and the filter suffixes.
std::string CounterRequestAddress(std::string_view host, int32_t taskId, int32_t noteId,
                                  const FilterChoice& filters);
// "http://HOST/tx.php?action=show&userid=U&taskid=P" and the filter suffixes; the
// worker id goes in as typed, unencoded.
std::string TaskPageAddress(std::string_view host, std::string_view userId, int32_t prevTaskId,
                            const FilterChoice& filters);

// Applies one counter reply to the poll state, in the order the protocol fixes.
// Throws Error when a field is missing or is not an integer; whatever changed
// before that stays changed. showAnnouncement gets field 3 as raw bytes.
void ApplyCounterReply(std::string_view reply, PollState& state,
                       const std::function<void(std::string)>& showAnnouncement);

}  // namespace zelmora
