#include "platform/log_files.h"

#include <windows.h>
#include <shlobj.h>

#include "platform/system_windows/wide_text.h"

namespace zelmora::platform {
namespace {

// %LOCALAPPDATA%. The CSIDL form, unlike the known-folder one, needs no GUID:
// MinGW's libuuid would bring in every GUID it knows.
std::wstring LocalApplicationData() {
  wchar_t folder[MAX_PATH] = {};
  if (SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr,
                                 SHGFP_TYPE_CURRENT, folder))) {
    return folder;
  }
  std::wstring path;
  // Without a profile folder (a service account, a broken profile) the temporary folder still works.
  wchar_t temporary[MAX_PATH + 1] = {};
  const DWORD length = GetTempPathW(MAX_PATH + 1, temporary);
  path.assign(temporary, length);
  if (!path.empty() && path.back() == L'\\') path.pop_back();
  return path;
}

// Creates every missing folder above the file.
void CreateFolders(const std::wstring& file) {
  for (std::size_t slash = file.find_first_of(L"\\/", 3); slash != std::wstring::npos;
       slash = file.find_first_of(L"\\/", slash + 1)) {
    CreateDirectoryW(file.substr(0, slash).c_str(), nullptr);
  }
}

constexpr DWORD kLockRetryMs = 10;

HANDLE OpenCreatingFolders(const std::string& path, DWORD access) {
  const std::wstring file = Wide(path);
  CreateFolders(file);
  return CreateFileW(file.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                     OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

class FileLock final : public LogFileLock {
 public:
  explicit FileLock(HANDLE file) : file_(file) {}
  ~FileLock() override { CloseHandle(file_); }  // closing lets go of the lock

 private:
  HANDLE file_;
};

class WindowsAppendFile final : public AppendOnlyFile {
 public:
  explicit WindowsAppendFile(HANDLE file) : file_(file) {}
  ~WindowsAppendFile() override { CloseHandle(file_); }

  std::uintmax_t Size() const override {
    LARGE_INTEGER size{};
    return GetFileSizeEx(file_, &size) ? static_cast<std::uintmax_t>(size.QuadPart) : 0;
  }

  bool AppendWhole(std::string_view bytes) override {
    LARGE_INTEGER end{};
    if (!SetFilePointerEx(file_, LARGE_INTEGER{}, &end, FILE_END)) return false;
    DWORD written = 0;
    if (WriteFile(file_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
        written == bytes.size()) {
      return true;
    }
    // A line cut off by a full disk would run into the next one written.
    if (written > 0 && SetFilePointerEx(file_, end, nullptr, FILE_BEGIN)) SetEndOfFile(file_);
    return false;
  }

 private:
  HANDLE file_;
};

}  // namespace

std::string LogFilePath() { return Narrow(LocalApplicationData() + L"\\zelmora\\zelmora.log"); }

std::unique_ptr<LogFileLock> LockLogFile(const std::string& path, std::chrono::milliseconds patience) {
  const HANDLE file = OpenCreatingFolders(path + ".lock", GENERIC_READ | GENERIC_WRITE);
  if (file == INVALID_HANDLE_VALUE) return nullptr;
  const auto deadline = std::chrono::steady_clock::now() + patience;
  // Never waits for good: a holder that hangs must not stop this log.
  for (;;) {
    OVERLAPPED whole{};
    if (LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &whole)) break;
    if (std::chrono::steady_clock::now() >= deadline) {
      CloseHandle(file);
      return nullptr;
    }
    Sleep(kLockRetryMs);
  }
  return std::make_unique<FileLock>(file);
}

std::unique_ptr<AppendOnlyFile> OpenForAppending(const std::string& path) {
  const HANDLE file = OpenCreatingFolders(path, GENERIC_WRITE);
  if (file == INVALID_HANDLE_VALUE) return nullptr;
  return std::make_unique<WindowsAppendFile>(file);
}

bool MoveReplacing(const std::string& from, const std::string& to) {
  return MoveFileExW(Wide(from).c_str(), Wide(to).c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
}

}  // namespace zelmora::platform
