#pragma once
// A log file written by a thread of its own, so that a slow or stuck disk never
// holds up the caller. Each line reaches the system as soon as the writer takes
// it (one write), so a crash of the program loses at most the lines still
// queued, normally none or the last. A line is written whole or not at all;
// lines a full disk kept out are counted, and the count is noted as soon as
// writing works again. The file is capped: past the cap (its real size, which
// other reminders writing the same log add to) it becomes NAME.1, replacing the
// older one, and a fresh file starts, so the log never takes more than about
// twice the cap.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

namespace zelmora {

class LogFile {
 public:
  static constexpr std::uintmax_t kDefaultCapBytes = 1024 * 1024;
  // Lines waiting beyond this are dropped (and counted) rather than kept in memory.
  static constexpr std::size_t kMaxQueuedLines = 1000;

  // `path` is UTF-8; missing folders are created. A file that cannot be
  // written costs the program nothing: its lines are counted and left out.
  explicit LogFile(std::string path, std::uintmax_t capBytes = kDefaultCapBytes);
  // Writes what is queued, then ends the writer.
  ~LogFile();
  LogFile(const LogFile&) = delete;
  LogFile& operator=(const LogFile&) = delete;

  // Any thread: queues one line, stamped with the local time now. The text
  // is made one readable line (ReadableLine), so that one event is one line
  // and a terminal showing the log acts on nothing in it.
  void Write(const std::string& text);
  // Waits until every line queued so far is written.
  void Flush();

  const std::string& Path() const { return path_; }

 private:
  void Run();
  void WriteToDisk(const std::string& line);
  bool Append(const std::string& text);

  const std::string path_;
  const std::uintmax_t capBytes_;

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::string> queue_;
  std::size_t dropped_ = 0;
  std::uint64_t queuedCount_ = 0;
  std::uint64_t writtenCount_ = 0;
  bool stopping_ = false;

  // Writer thread only: lines since the last one that reached the file.
  std::uint64_t unwritten_ = 0;

  std::thread writer_;
};

// "YYYY-MM-DD HH:MM:SS.mmm", local time.
std::string LogTimeStamp(std::chrono::system_clock::time_point when);

}  // namespace zelmora
