#pragma once
// The desktop's event sounds through libcanberra (the freedesktop sound theme).
// Playing never blocks on the sound itself; a desktop without sound stays silent.
struct ca_context;

namespace zelmora::platform::qt {

class EventSound {
 public:
  EventSound() = default;
  ~EventSound();
  EventSound(const EventSound&) = delete;
  EventSound& operator=(const EventSound&) = delete;

  // eventId names a sound of the theme, e.g. "message-new-instant".
  void Play(const char* eventId, const char* description);

 private:
  ca_context* context_ = nullptr;
  bool failureLogged_ = false;
};

}  // namespace zelmora::platform::qt
