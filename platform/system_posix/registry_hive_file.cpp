#include "platform/system_posix/registry_hive_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <string_view>
#include <system_error>

namespace zelmora::platform::hive {
namespace {

// Seven short settings need a few hundred bytes; a file far larger than any
// hive we write is not ours and is not read into memory.
constexpr off_t kMaxHiveBytes = 4 << 20;

// Names tried for a damaged hive that was set aside in the same second as another.
constexpr int kMaxSetAsideAttempts = 100;

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int Get() const { return fd_; }
  bool Valid() const { return fd_ >= 0; }
  // Closes now and reports the result: a deferred write error shows up here.
  bool Close() {
    int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }

 private:
  int fd_;
};

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<size_t>(written));
  }
  return true;
}

bool SyncDirectory(const std::filesystem::path& directory) {
  FileDescriptor fd(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  return fd.Valid() && ::fsync(fd.Get()) == 0;
}

std::string UtcTimestamp() {
  std::time_t now = std::time(nullptr);
  std::tm parts{};
  gmtime_r(&now, &parts);
  char text[32];
  std::strftime(text, sizeof text, "%Y%m%dT%H%M%SZ", &parts);
  return text;
}

}  // namespace

HiveFile::HiveFile(std::filesystem::path file, std::string rootName)
    : file_(std::move(file)), rootName_(std::move(rootName)) {}

LoadedHive HiveFile::Load() const {
  FileDescriptor fd(::open(file_.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd.Valid()) {
    return {errno == ENOENT ? HiveFileState::Missing : HiveFileState::Unreadable, {}};
  }
  struct stat info {};
  if (::fstat(fd.Get(), &info) != 0 || !S_ISREG(info.st_mode)) return {HiveFileState::Unreadable, {}};
  if (info.st_size > kMaxHiveBytes) return {HiveFileState::Damaged, {}};

  std::string text;
  char buffer[8192];
  while (true) {
    ssize_t count = ::read(fd.Get(), buffer, sizeof buffer);
    if (count < 0) {
      if (errno == EINTR) continue;
      return {HiveFileState::Unreadable, {}};
    }
    if (count == 0) break;
    text.append(buffer, static_cast<size_t>(count));
    if (text.size() > static_cast<size_t>(kMaxHiveBytes)) return {HiveFileState::Damaged, {}};
  }
  auto hive = ParseHive(text, rootName_);
  if (!hive) return {HiveFileState::Damaged, {}};
  return {HiveFileState::Read, std::move(*hive)};
}

bool HiveFile::PrepareForWriting() const {
  std::error_code error;
  std::filesystem::create_directories(file_.parent_path(), error);
  if (error) return false;
  // Effective ids: what matters is whether our own writes would be allowed.
  return ::faccessat(AT_FDCWD, file_.parent_path().c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

bool HiveFile::Store(const Hive& hive) const {
  std::string text = FormatHive(hive, rootName_);
  if (text.size() > static_cast<size_t>(kMaxHiveBytes)) return false;

  // A fixed temporary name: writers are serialised by WriteLock, and a file
  // left by a killed writer is simply reused by the next one.
  std::filesystem::path temporary = file_;
  temporary += ".tmp";
  FileDescriptor fd(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
  if (!fd.Valid()) return false;
  bool written = WriteAll(fd.Get(), text) && ::fsync(fd.Get()) == 0;
  written = fd.Close() && written;
  if (!written || ::rename(temporary.c_str(), file_.c_str()) != 0) {
    ::unlink(temporary.c_str());
    return false;
  }
  // The rename itself must reach the disk before we report success.
  return SyncDirectory(file_.parent_path());
}

bool HiveFile::SetAsideDamaged() const {
  std::filesystem::path base = file_;
  base += ".damaged-" + UtcTimestamp();
  for (int attempt = 1; attempt <= kMaxSetAsideAttempts; ++attempt) {
    std::filesystem::path candidate = base;
    if (attempt > 1) {
      candidate += "-";
      candidate += std::to_string(attempt);
    }
    struct stat info {};
    if (::lstat(candidate.c_str(), &info) == 0) continue;
    if (errno != ENOENT) return false;
    return ::rename(file_.c_str(), candidate.c_str()) == 0 && SyncDirectory(file_.parent_path());
  }
  return false;
}

HiveFile::WriteLock::WriteLock(const std::filesystem::path& directory)
    : directoryFd_(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
  if (directoryFd_ < 0) return;
  int result;
  do {
    result = ::flock(directoryFd_, LOCK_EX);
  } while (result != 0 && errno == EINTR);
  held_ = result == 0;
}

HiveFile::WriteLock::~WriteLock() {
  if (directoryFd_ >= 0) ::close(directoryFd_);  // closing releases the lock
}

}  // namespace zelmora::platform::hive
