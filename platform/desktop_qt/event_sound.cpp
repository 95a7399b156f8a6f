#include "platform/desktop_qt/event_sound.h"

#include <canberra.h>

#include <string>

#include "core/event_log.h"

namespace zelmora::platform::qt {

EventSound::~EventSound() {
  if (context_ != nullptr) ca_context_destroy(context_);
}

void EventSound::Play(const char* eventId, const char* description) {
  int result = CA_SUCCESS;
  if (context_ == nullptr) {
    // Made on first use: most days start without a sound to play.
    result = ca_context_create(&context_);
    if (result == CA_SUCCESS) {
      ca_context_change_props(context_, CA_PROP_APPLICATION_NAME, "Zelmora任务提醒器", CA_PROP_APPLICATION_ID,
                              "zelmora", CA_PROP_APPLICATION_ICON_NAME, "zelmora", nullptr);
    } else {
      context_ = nullptr;
    }
  }
  if (context_ != nullptr) {
    result = ca_context_play(context_, 0, CA_PROP_EVENT_ID, eventId, CA_PROP_EVENT_DESCRIPTION, description,
                             nullptr);
  }
  // Once is enough: a desktop without sound would say so at every task.
  if (result != CA_SUCCESS && !failureLogged_) {
    failureLogged_ = true;
    LogEvent(std::string("the new-task sound cannot be played: ") + ca_strerror(result));
  }
}

}  // namespace zelmora::platform::qt
