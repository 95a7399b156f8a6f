#include "platform/desktop_qt/x11/window_system.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <QDir>
#include <QLibraryInfo>
#include <algorithm>
#include <cstdio>

namespace zelmora::platform::qt {
namespace {

bool XServerAnswers() {
  xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
  const bool answers = xcb_connection_has_error(connection) == 0;
  xcb_disconnect(connection);
  return answers;
}

bool WaylandAnswers() {
  const QByteArray name = qgetenv("WAYLAND_DISPLAY");
  const QByteArray path = name.startsWith('/') ? name : qgetenv("XDG_RUNTIME_DIR") + '/' + name;
  sockaddr_un address{};
  if (path.size() >= qsizetype(sizeof(address.sun_path))) return false;
  address.sun_family = AF_UNIX;
  std::copy(path.begin(), path.end(), address.sun_path);
  const int socket = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (socket < 0) return false;
  const bool answers = ::connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  ::close(socket);
  return answers;
}

bool QtHasWayland() {
  const QDir platforms(QLibraryInfo::path(QLibraryInfo::PluginsPath) + QStringLiteral("/platforms"));
  return !platforms.entryList({QStringLiteral("libqwayland*")}, QDir::Files).isEmpty();
}

}  // namespace

bool ChooseWindowSystem() {
  if (qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) return true;  // the user's choice
  const bool wayland = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
  if (XServerAnswers()) {
    if (wayland) qputenv("QT_QPA_PLATFORM", "xcb");
    return true;
  }
  // Qt alone would abort with a core dump here.
  if (!wayland || !WaylandAnswers()) {
    std::fprintf(stderr, "zelmora: no display answers (DISPLAY=%s, WAYLAND_DISPLAY=%s).\n",
                 qgetenv("DISPLAY").constData(), qgetenv("WAYLAND_DISPLAY").constData());
    return false;
  }
  if (!QtHasWayland()) {
    std::fputs(
        "zelmora: this Wayland session has no X server (XWayland), and Qt's Wayland support is not "
        "installed.\n"
        "Enable XWayland (or start an X11 session), or install Qt's Wayland support (Debian: qt6-wayland).\n",
        stderr);
    return false;
  }
  qputenv("QT_QPA_PLATFORM", "wayland");
  std::fputs(WaylandLimits(), stderr);
  return true;
}

const char* WaylandLimits() {
  return "zelmora runs on Wayland without X11 (XWayland), which limits it:\n"
         "- works: the main window, Start and Stop, polling, the announcements, the settings, and the tray\n"
         "  icon where the desktop shows one;\n"
         "- does not work: the popup is not placed in the corner of the screen, not kept on top and may\n"
         "  take the focus; the task page opens in a window of its own instead of inside the popup; the\n"
         "  program has a task-bar button.\n"
         "For the full program, enable XWayland or start an X11 session.\n";
}

}  // namespace zelmora::platform::qt
