// The reminder on a Linux desktop (Qt Widgets).
#include <QApplication>
#include <cstdio>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "platform/desktop_qt/fatal_failure.h"
#include "platform/desktop_qt/qt_desktop.h"
#include "platform/desktop_qt/x11/window_system.h"
#include "program/program.h"

#ifndef ZELMORA_TEST_BUILD
#define ZELMORA_TEST_BUILD 0
#endif

namespace {

// Without a display Qt aborts with a core dump; say what to do instead.
bool HasDisplay() {
  if (qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) return true;  // the user picked a platform
  return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

}  // namespace

int main(int argc, char* argv[]) try {
  // Read before Qt sees the arguments: --help and --version need no display.
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  const zelmora::CommandLine commandLine = zelmora::ParseCommandLine(arguments);
  if (commandLine.action != zelmora::CommandLine::Action::Run) {
    std::fputs(commandLine.text.c_str(),
               commandLine.action == zelmora::CommandLine::Action::Answer ? stdout : stderr);
    return commandLine.exitStatus;
  }
  if (!HasDisplay()) {
    std::fputs(
        "zelmora: no display found (DISPLAY and WAYLAND_DISPLAY are empty).\n"
        "Start it on a desktop, or under a virtual X server:\n"
        "  xvfb-run -a zelmora\n",
        stderr);
    return 1;
  }
  if (!zelmora::platform::qt::ChooseWindowSystem()) return 1;
  // Qt gets no arguments of the user's: every option there is ours, read above.
  int qtArgc = 1;
  QApplication app(qtArgc, argv);
  // The title "Zelmora任务提醒器" belongs to the windows and error reports; the
  // application name goes into WM_CLASS, which X11 keeps in Latin-1.
  QApplication::setApplicationName(QStringLiteral("zelmora"));
  QGuiApplication::setDesktopFileName(QStringLiteral("zelmora"));
  zelmora::platform::qt::QtDesktop desktop;
  return zelmora::RunReminder(desktop, zelmora::TaskServerHost(ZELMORA_TEST_BUILD), commandLine.options);
} catch (...) {
  return zelmora::platform::qt::ReportFatalFailure(std::current_exception());
}
