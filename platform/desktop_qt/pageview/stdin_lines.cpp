#include "platform/desktop_qt/pageview/stdin_lines.h"

#include <unistd.h>

#include <array>
#include <cerrno>

namespace zelmora::platform::qt {
namespace {
// Chromium refuses addresses longer than 2 MB; a longer line is no command of ours.
constexpr qsizetype kMaxLineBytes = 2 * 1024 * 1024 + 64;
}  // namespace

StdinLines::StdinLines(QObject* parent)
    : QObject(parent), notifier_(STDIN_FILENO, QSocketNotifier::Read), lines_(kMaxLineBytes) {
  connect(&notifier_, &QSocketNotifier::activated, this, &StdinLines::ReadAvailable);
}

void StdinLines::ReadAvailable() {
  std::array<char, 16 * 1024> chunk;
  const ssize_t got = ::read(STDIN_FILENO, chunk.data(), chunk.size());
  if (got < 0 && (errno == EINTR || errno == EAGAIN)) return;
  if (got <= 0) {
    notifier_.setEnabled(false);
    emit Closed();
    return;
  }
  for (const QByteArray& line : lines_.Append(QByteArrayView(chunk.data(), got))) emit LineRead(line);
}

}  // namespace zelmora::platform::qt
