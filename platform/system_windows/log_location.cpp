#include "platform/log_location.h"

#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

namespace zelmora::platform {
namespace {

std::filesystem::path LocalApplicationData() {
  PWSTR folder = nullptr;
  std::filesystem::path path;
  if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_LocalAppData, KF_FLAG_CREATE, nullptr, &folder))) path = folder;
  CoTaskMemFree(folder);
  if (!path.empty()) return path;
  // Without a profile folder (a service account, a broken profile) the temporary folder still works.
  wchar_t temporary[MAX_PATH + 1] = {};
  const DWORD length = GetTempPathW(MAX_PATH + 1, temporary);
  return std::filesystem::path(std::wstring(temporary, length));
}

}  // namespace

std::filesystem::path LogFilePath() { return LocalApplicationData() / L"zelmora" / L"zelmora.log"; }

}  // namespace zelmora::platform
