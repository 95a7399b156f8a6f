#include "platform/log_files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <thread>

#include "platform/system_posix/xdg_directories.h"

namespace zelmora::platform {
namespace {

constexpr auto kLockRetry = std::chrono::milliseconds(10);

int OpenCreatingFolders(const std::string& path, int flags) {
  std::error_code ignored;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
  return ::open(path.c_str(), flags | O_CREAT | O_CLOEXEC, 0666);
}

// flock() locks belong to the open file, so two logs in one process exclude
// each other as two processes do.
class FlockLock final : public LogFileLock {
 public:
  explicit FlockLock(int descriptor) : descriptor_(descriptor) {}
  ~FlockLock() override { ::close(descriptor_); }  // closing lets go of the lock

 private:
  int descriptor_;
};

class PosixAppendFile final : public AppendOnlyFile {
 public:
  explicit PosixAppendFile(int descriptor) : descriptor_(descriptor) {}
  ~PosixAppendFile() override { ::close(descriptor_); }

  std::uintmax_t Size() const override {
    struct stat status {};
    return ::fstat(descriptor_, &status) == 0 ? static_cast<std::uintmax_t>(status.st_size) : 0;
  }

  bool AppendWhole(std::string_view bytes) override {
    struct stat status {};
    if (::fstat(descriptor_, &status) != 0) return false;
    std::size_t written = 0;
    while (written < bytes.size()) {
      const ssize_t step = ::write(descriptor_, bytes.data() + written, bytes.size() - written);
      if (step < 0 && errno == EINTR) continue;
      if (step <= 0) break;
      written += static_cast<std::size_t>(step);
    }
    if (written == bytes.size()) return true;
    // A line cut off by a full disk would run into the next one written.
    if (written > 0 && ::ftruncate(descriptor_, status.st_size) != 0) return false;
    return false;
  }

 private:
  int descriptor_;
};

}  // namespace

std::string LogFilePath() { return (StateHome() / "zelmora" / "zelmora.log").string(); }

std::unique_ptr<LogFileLock> LockLogFile(const std::string& path, std::chrono::milliseconds patience) {
  const int descriptor = OpenCreatingFolders(path + ".lock", O_RDWR);
  if (descriptor < 0) return nullptr;
  const auto deadline = std::chrono::steady_clock::now() + patience;
  // Never waits for good: a holder that was stopped must not stop this log.
  while (::flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
    if ((errno != EWOULDBLOCK && errno != EINTR) || std::chrono::steady_clock::now() >= deadline) {
      ::close(descriptor);
      return nullptr;
    }
    std::this_thread::sleep_for(kLockRetry);
  }
  return std::make_unique<FlockLock>(descriptor);
}

std::unique_ptr<AppendOnlyFile> OpenForAppending(const std::string& path) {
  const int descriptor = OpenCreatingFolders(path, O_WRONLY | O_APPEND);
  if (descriptor < 0) return nullptr;
  return std::make_unique<PosixAppendFile>(descriptor);
}

bool MoveReplacing(const std::string& from, const std::string& to) {
  return std::rename(from.c_str(), to.c_str()) == 0;
}

}  // namespace zelmora::platform
