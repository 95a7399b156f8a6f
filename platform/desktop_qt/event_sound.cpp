#include "platform/desktop_qt/event_sound.h"

#include <canberra.h>
#include <dlfcn.h>

#include <string>

#include "core/event_log.h"

namespace zelmora::platform::qt {
namespace {

constexpr const char* kLibraryName = "libcanberra.so.0";

template <typename Function>
bool Find(void* library, const char* name, Function*& function) {
  function = reinterpret_cast<Function*>(::dlsym(library, name));
  return function != nullptr;
}

}  // namespace

// The library's functions, as far as they were found, and its one context.
struct EventSound::Library {
  void* handle = nullptr;
  decltype(ca_context_create)* create = nullptr;
  decltype(ca_context_destroy)* destroy = nullptr;
  decltype(ca_context_change_props)* changeProps = nullptr;
  decltype(ca_context_play)* play = nullptr;
  decltype(ca_strerror)* errorText = nullptr;
  ca_context* context = nullptr;
  std::string failure;  // why there is no context

  Library() {
    handle = ::dlopen(kLibraryName, RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
      failure = ::dlerror();
      return;
    }
    if (!Find(handle, "ca_context_create", create) || !Find(handle, "ca_context_destroy", destroy) ||
        !Find(handle, "ca_context_change_props", changeProps) || !Find(handle, "ca_context_play", play) ||
        !Find(handle, "ca_strerror", errorText)) {
      failure = std::string(kLibraryName) + " lacks the functions it should have";
      return;
    }
    const int result = create(&context);
    if (result != CA_SUCCESS) {
      context = nullptr;
      failure = errorText(result);
      return;
    }
    changeProps(context, CA_PROP_APPLICATION_NAME, "Zelmora任务提醒器", CA_PROP_APPLICATION_ID, "zelmora",
                CA_PROP_APPLICATION_ICON_NAME, "zelmora", nullptr);
  }

  // The library stays loaded: its sound back ends may still hold threads.
  ~Library() {
    if (context != nullptr) destroy(context);
  }
};

EventSound::EventSound() = default;

EventSound::~EventSound() = default;

void EventSound::Play(const char* eventId, const char* description) {
  if (!library_) library_ = std::make_unique<Library>();
  std::string failure = library_->failure;
  if (library_->context != nullptr) {
    const int result = library_->play(library_->context, 0, CA_PROP_EVENT_ID, eventId,
                                      CA_PROP_EVENT_DESCRIPTION, description, nullptr);
    if (result != CA_SUCCESS) failure = library_->errorText(result);
  }
  // Once is enough: a desktop without sound would say so at every task.
  if (!failure.empty() && !failureLogged_) {
    failureLogged_ = true;
    LogEvent("the new-task sound cannot be played: " + failure);
  }
}

}  // namespace zelmora::platform::qt
