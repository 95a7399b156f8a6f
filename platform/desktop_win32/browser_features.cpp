#include "platform/desktop_win32/browser_features.h"

#include <windows.h>

#include <string>

#include "platform/system_windows/program_path.h"

namespace zelmora::platform::win32 {
namespace {

// The installer's script (cmake/nsis/NSIS.template.in) removes the same values.
constexpr wchar_t kFeatureControl[] = L"Software\\Microsoft\\Internet Explorer\\Main\\FeatureControl\\";
// Internet Explorer 11's own mode, whatever the page's DOCTYPE says; a page
// that asks for an older mode (X-UA-Compatible) still gets it.
constexpr DWORD kEdgeDocumentMode = 11001;
constexpr DWORD kOn = 1;

void SetFeature(const wchar_t* feature, const std::wstring& program, DWORD value) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, (std::wstring(kFeatureControl) + feature).c_str(), 0, nullptr,
                      REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
    return;
  }
  RegSetValueExW(key, program.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
  RegCloseKey(key);
}

}  // namespace

void SetBrowserFeatures() {
  const std::wstring path = ProgramPath();
  const std::wstring program = path.substr(path.find_last_of(L"\\/") + 1);
  if (program.empty()) return;
  SetFeature(L"FEATURE_BROWSER_EMULATION", program, kEdgeDocumentMode);
  SetFeature(L"FEATURE_DISABLE_NAVIGATION_SOUNDS", program, kOn);
}

}  // namespace zelmora::platform::win32
