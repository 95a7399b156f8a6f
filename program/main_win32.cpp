// Program entry of the native Windows build.
#include <windows.h>
#include <ole2.h>
#include <shellapi.h>

#include <exception>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/main_form_layout.h"
#include "platform/desktop_win32/win32_desktop.h"
#include "platform/system_windows/wide_text.h"
#include "program/program.h"

#ifndef ZELMORA_TEST_BUILD
#define ZELMORA_TEST_BUILD 0
#endif

namespace {

// The arguments after the program's name, as UTF-8.
std::vector<std::string> Arguments() {
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> arguments;
  for (int i = 1; wide != nullptr && i < count; ++i) arguments.push_back(zelmora::platform::Narrow(wide[i]));
  LocalFree(wide);
  return arguments;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  // A program without a console answers --help and --version in a message box.
  const zelmora::CommandLine commandLine = zelmora::ParseCommandLine(Arguments());
  if (commandLine.action != zelmora::CommandLine::Action::Run) {
    const bool answer = commandLine.action == zelmora::CommandLine::Action::Answer;
    MessageBoxW(nullptr, zelmora::platform::Wide(commandLine.text).c_str(),
                zelmora::platform::Wide(zelmora::kApplicationTitle).c_str(),
                MB_OK | (answer ? MB_ICONINFORMATION : MB_ICONSTOP));
    return commandLine.exitStatus;
  }

  // The page view is a COM control; it needs OLE on the user-interface thread.
  const HRESULT ole = OleInitialize(nullptr);
  int exitCode = 0;
  try {
    auto desktop = zelmora::platform::win32::CreateWin32Desktop(instance);
    exitCode =
        zelmora::RunReminder(*desktop, zelmora::TaskServerHost(ZELMORA_TEST_BUILD), commandLine.options);
  } catch (const std::exception& failure) {
    // Only start-up itself can get here; say why instead of vanishing.
    MessageBoxW(nullptr, zelmora::platform::Wide(failure.what()).c_str(), L"Zelmora", MB_OK | MB_ICONSTOP);
    exitCode = 1;
  }
  if (SUCCEEDED(ole)) OleUninitialize();
  return exitCode;
}
