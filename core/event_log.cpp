#include "core/event_log.h"

#include <mutex>
#include <utility>

namespace zelmora {
namespace {

std::mutex& SinkMutex() {
  static std::mutex mutex;
  return mutex;
}

std::function<void(const std::string&)>& Sink() {
  static std::function<void(const std::string&)> sink;
  return sink;
}

}  // namespace

void LogEvent(const std::string& text) {
  std::lock_guard lock(SinkMutex());
  if (Sink()) Sink()(text);
}

ScopedLogSink::ScopedLogSink(std::function<void(const std::string&)> sink) {
  std::lock_guard lock(SinkMutex());
  previous_ = std::exchange(Sink(), std::move(sink));
}

ScopedLogSink::~ScopedLogSink() {
  std::lock_guard lock(SinkMutex());
  Sink() = std::move(previous_);
}

}  // namespace zelmora
