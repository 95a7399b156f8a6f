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

}  // namespace

std::string LogFilePath() { return Narrow(LocalApplicationData() + L"\\zelmora\\zelmora.log"); }

std::FILE* OpenForAppending(const std::string& path) {
  const std::wstring file = Wide(path);
  CreateFolders(file);
  return _wfopen(file.c_str(), L"ab");
}

bool MoveReplacing(const std::string& from, const std::string& to) {
  return MoveFileExW(Wide(from).c_str(), Wide(to).c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
}

}  // namespace zelmora::platform
