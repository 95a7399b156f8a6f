#pragma once
// The desktop's event sounds through libcanberra (the freedesktop sound theme),
// loaded when the first sound is played: most days start without one, and the
// library and its sound back ends would otherwise slow every start. Playing
// never blocks on the sound itself; a desktop without sound, or without the
// library, stays silent and says so once in the log.
#include <memory>

namespace zelmora::platform::qt {

class EventSound {
 public:
  EventSound();
  ~EventSound();
  EventSound(const EventSound&) = delete;
  EventSound& operator=(const EventSound&) = delete;

  // eventId names a sound of the theme, e.g. "message-new-instant".
  void Play(const char* eventId, const char* description);

 private:
  struct Library;
  std::unique_ptr<Library> library_;
  bool failureLogged_ = false;
};

}  // namespace zelmora::platform::qt
