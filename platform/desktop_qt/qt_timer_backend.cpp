#include "platform/desktop_qt/qt_timer_backend.h"

namespace zelmora::platform::qt {

QtTimerBackend::QtTimerBackend(std::function<void()> onTick) : onTick_(std::move(onTick)) {
  QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] { onTick_(); });
}

void QtTimerBackend::Start(int intervalMs) { timer_.start(intervalMs); }

void QtTimerBackend::Stop() { timer_.stop(); }

}  // namespace zelmora::platform::qt
