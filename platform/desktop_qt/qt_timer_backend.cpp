#include "platform/desktop_qt/qt_timer_backend.h"

#include "platform/desktop_qt/handler_call.h"

namespace zelmora::platform::qt {

QtTimerBackend::QtTimerBackend(platform::Desktop& desktop, std::function<void()> onTick)
    : desktop_(desktop), onTick_(std::move(onTick)) {
  timer_.setTimerType(Qt::PreciseTimer);
  QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] { CallHandler(desktop_, onTick_); });
}

void QtTimerBackend::Start(int intervalMs) { timer_.start(intervalMs); }

void QtTimerBackend::Stop() { timer_.stop(); }

}  // namespace zelmora::platform::qt
