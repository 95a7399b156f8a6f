// Program entry of the native Windows build.
#include <windows.h>
#include <ole2.h>

#include <exception>

#include "app/program.h"
#include "platform/desktop_win32/win32_desktop.h"
#include "platform/system_windows/wide_text.h"

#ifndef ZELMORA_TEST_BUILD
#define ZELMORA_TEST_BUILD 0
#endif

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  // The page view is a COM control; it needs OLE on the user-interface thread.
  const HRESULT ole = OleInitialize(nullptr);
  int exitCode = 0;
  try {
    auto desktop = zelmora::platform::win32::CreateWin32Desktop(instance);
    exitCode = zelmora::RunReminder(*desktop, zelmora::TaskServerHost(ZELMORA_TEST_BUILD));
  } catch (const std::exception& failure) {
    // Only start-up itself can get here; say why instead of vanishing.
    MessageBoxW(nullptr, zelmora::platform::Wide(failure.what()).c_str(), L"Zelmora", MB_OK | MB_ICONSTOP);
    exitCode = 1;
  }
  if (SUCCEEDED(ole)) OleUninitialize();
  return exitCode;
}
