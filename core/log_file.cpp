#include "core/log_file.h"

#include <cstdio>
#include <ctime>
#include <memory>
#include <utility>

#include "core/readable_text.h"
#include "platform/log_files.h"

namespace zelmora {
namespace {

// How long a write waits for another reminder that holds the log's lock.
constexpr auto kLockPatience = std::chrono::seconds(1);

}  // namespace

std::string LogTimeStamp(std::chrono::system_clock::time_point when) {
  const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
  const auto millis =
      std::chrono::duration_cast<std::chrono::milliseconds>(when.time_since_epoch()).count() % 1000;
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &seconds);
#else
  localtime_r(&seconds, &local);
#endif
  char text[40];
  const std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  std::snprintf(text + length, sizeof text - length, ".%03d", static_cast<int>(millis < 0 ? 0 : millis));
  return text;
}

LogFile::LogFile(std::string path, std::uintmax_t capBytes)
    : path_(std::move(path)), capBytes_(capBytes), writer_([this] { Run(); }) {}

LogFile::~LogFile() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  writer_.join();
}

void LogFile::Write(const std::string& text) {
  std::string line = LogTimeStamp(std::chrono::system_clock::now()) + ' ' + ReadableLine(text) + '\n';
  {
    std::lock_guard lock(mutex_);
    if (queue_.size() >= kMaxQueuedLines) {
      ++dropped_;
      return;
    }
    queue_.push_back(std::move(line));
    ++queuedCount_;
  }
  changed_.notify_all();
}

void LogFile::Flush() {
  std::unique_lock lock(mutex_);
  const std::uint64_t target = queuedCount_;
  changed_.wait(lock, [this, target] { return writtenCount_ >= target; });
}

void LogFile::Run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
    if (queue_.empty()) return;  // stopping, and everything is written
    std::string line = std::move(queue_.front());
    queue_.pop_front();
    const std::size_t dropped = queue_.empty() ? std::exchange(dropped_, 0) : 0;
    lock.unlock();
    WriteToDisk(line);
    if (dropped > 0) {
      WriteToDisk(LogTimeStamp(std::chrono::system_clock::now()) + ' ' + std::to_string(dropped) +
                  " lines dropped: the disk did not keep up\n");
    }
    lock.lock();
    ++writtenCount_;
    changed_.notify_all();
  }
}

void LogFile::WriteToDisk(const std::string& line) {
  if (unwritten_ == 0) {
    if (!Append(line)) ++unwritten_;
    return;
  }
  // The gap is told where it is, in the same write as the line after it.
  const std::string note = LogTimeStamp(std::chrono::system_clock::now()) + ' ' + std::to_string(unwritten_) +
                           (unwritten_ == 1 ? " line" : " lines") + " could not be written\n";
  if (Append(note + line)) {
    unwritten_ = 0;
  } else {
    ++unwritten_;
  }
}

bool LogFile::Append(const std::string& text) {
  // Opened afresh under the lock every time: another reminder may have moved
  // the file aside since, and only the size on disk counts towards the cap.
  const std::unique_ptr<platform::LogFileLock> lock = platform::LockLogFile(path_, kLockPatience);
  std::unique_ptr<platform::AppendOnlyFile> file = platform::OpenForAppending(path_);
  if (!file) return false;
  const std::uintmax_t size = file->Size();
  // Without the lock the line still goes in; the move waits for a write that has it.
  if (lock && size > 0 && size + text.size() > capBytes_) {
    file.reset();
    // A file that cannot be moved aside (held open elsewhere on Windows) goes on growing.
    platform::MoveReplacing(path_, path_ + ".1");
    file = platform::OpenForAppending(path_);
    if (!file) return false;
  }
  return file->AppendWhole(text);
}

}  // namespace zelmora
