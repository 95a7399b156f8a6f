#include "core/log_file.h"

#include <cstdio>
#include <ctime>
#include <utility>

#include "core/readable_text.h"
#include "platform/log_files.h"

namespace zelmora {

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
  if (file_ != nullptr) std::fclose(file_);
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
  if (file_ != nullptr && size_ > 0 && size_ + line.size() > capBytes_) Rotate();
  if (file_ == nullptr) {
    file_ = platform::OpenForAppending(path_);
    if (file_ == nullptr) return;  // tried again with the next line
    // An earlier run's log goes on, and counts towards the cap.
    std::fseek(file_, 0, SEEK_END);
    const long existing = std::ftell(file_);
    size_ = existing > 0 ? static_cast<std::uintmax_t>(existing) : 0;
    if (size_ > 0 && size_ + line.size() > capBytes_) Rotate();
    if (file_ == nullptr) return;
  }
  // One write per line, handed to the system at once: a crash after this loses nothing of it.
  std::fwrite(line.data(), 1, line.size(), file_);
  std::fflush(file_);
  size_ += line.size();
}

void LogFile::Rotate() {
  std::fclose(file_);
  file_ = nullptr;
  platform::MoveReplacing(path_, path_ + ".1");
  file_ = platform::OpenForAppending(path_);
  // A file that could not be moved aside (held open elsewhere on Windows) goes
  // on growing; the next attempt comes one cap later.
  size_ = 0;
}

}  // namespace zelmora
