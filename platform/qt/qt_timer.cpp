#include "platform/qt/qt_timer.h"

namespace zelmora::qt {

QtTimer::QtTimer(std::function<void()> onTick) : onTick_(std::move(onTick)) {
  QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] { onTick_(); });
}

void QtTimer::Start(int intervalMs) { timer_.start(intervalMs); }

void QtTimer::Stop() { timer_.stop(); }

}  // namespace zelmora::qt
