#pragma once
// The log's place and the few file operations it needs, on each system's own
// calls (on Windows, std::filesystem alone would triple the program's size).
// Paths are UTF-8.
//
// More than one reminder may write the same log (two displays, two sessions of
// one user). Each takes the log's lock for every append and for moving the log
// aside, and opens the file afresh each time, so no one appends to a file that
// another has just moved away.
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace zelmora::platform {

// $XDG_STATE_HOME/zelmora/zelmora.log (by default ~/.local/state) on Linux,
// %LOCALAPPDATA%\zelmora\zelmora.log on Windows.
std::string LogFilePath();

// Held while the log is written or moved aside.
class LogFileLock {
 public:
  virtual ~LogFileLock() = default;
};

// Locks `path`.lock (made when missing, missing folders too), waiting up to
// `patience` for another holder. Null when it cannot be had.
std::unique_ptr<LogFileLock> LockLogFile(const std::string& path, std::chrono::milliseconds patience);

class AppendOnlyFile {
 public:
  virtual ~AppendOnlyFile() = default;
  // The file's size on disk now.
  virtual std::uintmax_t Size() const = 0;
  // Writes all of `bytes` at the end, or leaves the file as it was: what a
  // full disk let through is taken back. Meant for the holder of the lock.
  virtual bool AppendWhole(std::string_view bytes) = 0;
};

// Opens the file for appending, creating missing folders first; null when the
// system refuses.
std::unique_ptr<AppendOnlyFile> OpenForAppending(const std::string& path);

// Moves `from` to `to`, replacing a file there. False when the system refuses.
bool MoveReplacing(const std::string& from, const std::string& to);

}  // namespace zelmora::platform
