// zelmora-pageview: shows the reminder's popup page in a process of its own, on
// WebKitGTK. See pageview_protocol.h for the command line and the lines it speaks.
#include <X11/Xlib.h>
#include <fcntl.h>
#include <gdk/gdkx.h>
#include <glib-unix.h>
#include <gtk/gtk.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string_view>

#include "platform/desktop_qt/pageview/engine_setup.h"
#include "platform/desktop_qt/pageview/line_buffer.h"
#include "platform/desktop_qt/pageview/page_host.h"
#include "platform/desktop_qt/pageview/pageview_protocol.h"

namespace {

using namespace zelmora::platform::qt;

// The engine refuses addresses longer than 2 MB; a longer line is no command of ours.
constexpr std::size_t kMaxLineBytes = 2 * 1024 * 1024 + 64;

struct Options {
  Window parent = None;
  GdkRectangle view{0, 0, 350, 251};
};

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "%s: %s\n", kProgramName, what);
  std::exit(1);
}

template <typename Number>
bool ParseNumber(std::string_view text, Number& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

std::optional<GdkRectangle> ParseBounds(std::string_view text) {
  std::array<int, 4> values{};
  for (std::size_t i = 0; i < values.size(); ++i) {
    const std::size_t comma = i + 1 < values.size() ? text.find(',') : text.size();
    if (comma == std::string_view::npos || !ParseNumber(text.substr(0, comma), values[i]))
      return std::nullopt;
    text.remove_prefix(std::min(comma + 1, text.size()));
  }
  if (values[2] <= 0 || values[3] <= 0) return std::nullopt;
  return GdkRectangle{values[0], values[1], values[2], values[3]};
}

Options ParseOptions(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string_view option = argv[i];
    if (i + 1 >= argc) Fail("an option without its value");
    const std::string_view value = argv[++i];
    if (option == kParentOption) {
      unsigned long id = 0;
      if (!ParseNumber(value, id) || id == 0) Fail("bad window id");
      options.parent = id;
    } else if (option == kViewOption) {
      const auto bounds = ParseBounds(value);
      if (!bounds) Fail("bad view bounds");
      options.view = *bounds;
    } else {
      Fail("unknown option");
    }
  }
  return options;
}

// Events go out on a descriptor of the helper's own, commands come in on
// another: the engine's processes inherit the standard ones, and nothing they
// print may pass for an event, nor may they hold the reminder's pipes open.
void TakePipes(int& commands, int& events) {
  commands = fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 3);
  events = fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
  const int nothing = open("/dev/null", O_RDONLY | O_CLOEXEC);
  if (commands < 0 || events < 0 || nothing < 0) Fail("cannot take over its standard input and output");
  dup2(nothing, STDIN_FILENO);
  dup2(STDERR_FILENO, STDOUT_FILENO);
  close(nothing);
}

// The part of the view the parent shows, in the view's own coordinates.
GdkRectangle VisiblePart(const Options& options) {
  GdkRectangle visible{0, 0, options.view.width, options.view.height};
  if (options.parent == None) return visible;
  Display* x11 = GDK_DISPLAY_XDISPLAY(gdk_display_get_default());
  Window root = None;
  int x = 0;
  int y = 0;
  unsigned width = 0;
  unsigned height = 0;
  unsigned border = 0;
  unsigned depth = 0;
  if (!XGetGeometry(x11, options.parent, &root, &x, &y, &width, &height, &border, &depth)) return visible;
  const GdkRectangle parent{-options.view.x, -options.view.y, int(width), int(height)};
  gdk_rectangle_intersect(&visible, &parent, &visible);
  return visible;
}

// The view's window becomes a child of the reminder's popup before it is first
// shown, so the window manager never sees it: it moves, stacks, shows and hides
// with the popup, and never takes the focus.
void Embed(GtkWidget* window, const Options& options) {
  if (options.parent == None) return;
  gtk_widget_realize(window);
  GdkDisplay* display = gdk_display_get_default();
  gdk_x11_display_error_trap_push(display);
  XReparentWindow(GDK_DISPLAY_XDISPLAY(display), GDK_WINDOW_XID(gtk_widget_get_window(window)),
                  options.parent, options.view.x, options.view.y);
  if (gdk_x11_display_error_trap_pop(display) != 0) Fail("the reminder's window is gone");
}

struct Input {
  LineBuffer lines{kMaxLineBytes};
  PageHost* host;
};

gboolean ReadCommands(int descriptor, GIOCondition, gpointer data) {
  auto& input = *static_cast<Input*>(data);
  std::array<char, 16 * 1024> chunk;
  const ssize_t got = ::read(descriptor, chunk.data(), chunk.size());
  if (got < 0 && (errno == EINTR || errno == EAGAIN)) return G_SOURCE_CONTINUE;
  if (got <= 0) {
    gtk_main_quit();  // the reminder has closed the pipe, or gone
    return G_SOURCE_REMOVE;
  }
  for (const std::string& line : input.lines.Append({chunk.data(), std::size_t(got)})) {
    input.host->HandleCommand(line);
  }
  return G_SOURCE_CONTINUE;
}

}  // namespace

int main(int argc, char** argv) {
  std::signal(SIGPIPE, SIG_IGN);  // a gone reminder is noticed on the closed pipe
  const Options options = ParseOptions(argc, argv);
  int commands = -1;
  int events = -1;
  TakePipes(commands, events);
  // The page is drawn without a GPU (engine_setup.cpp): neither GTK's probing
  // of OpenGL nor the engine's DMA-BUF renderer has work to do. Without them the
  // helper takes about 6 MB less. The user's own setting wins.
  g_setenv("GDK_GL", "disable", FALSE);
  g_setenv("WEBKIT_DISABLE_DMABUF_RENDERER", "1", FALSE);
  // The view is embedded into an X11 window, so it needs X11 too (XWayland on a
  // Wayland desktop, as the reminder itself uses).
  gdk_set_allowed_backends("x11");
  if (!gtk_init_check(nullptr, nullptr)) Fail("cannot open the X display");

  GtkWidget* window = gtk_window_new(options.parent != None ? GTK_WINDOW_POPUP : GTK_WINDOW_TOPLEVEL);
  gtk_window_set_title(GTK_WINDOW(window), kProgramName);
  gtk_window_set_accept_focus(GTK_WINDOW(window), FALSE);
  gtk_window_set_focus_on_map(GTK_WINDOW(window), FALSE);
  gtk_widget_set_size_request(window, options.view.width, options.view.height);
  gtk_window_move(GTK_WINDOW(window), options.view.x, options.view.y);
  // The reminder's window went, and the view with it: nothing is left to show.
  g_signal_connect(window, "destroy", G_CALLBACK(+[] { std::_Exit(0); }), nullptr);

  GtkWidget* overlay = gtk_overlay_new();
  gtk_container_add(GTK_CONTAINER(window), overlay);
  WebKitWebView* view = CreatePopupWebView();
  gtk_container_add(GTK_CONTAINER(overlay), GTK_WIDGET(view));
  Embed(window, options);
  PageHost host(window, GTK_OVERLAY(overlay), view, VisiblePart(options), events);
  gtk_widget_show_all(window);

  Input input{LineBuffer(kMaxLineBytes), &host};
  g_unix_fd_add(commands, GIOCondition(G_IO_IN | G_IO_HUP | G_IO_ERR), ReadCommands, &input);
  gtk_main();
  return 0;
}
