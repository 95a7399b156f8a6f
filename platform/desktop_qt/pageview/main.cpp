// zelmora-pageview: shows the reminder's popup page in a process of its own.
// See pageview_protocol.h for the command line and the lines it speaks.
#include <unistd.h>

#include <QApplication>
#include <QCommandLineParser>
#include <QLoggingCategory>
#include <optional>

#include "platform/desktop_qt/pageview/page_host.h"
#include "platform/desktop_qt/pageview/pageview_protocol.h"
#include "platform/desktop_qt/pageview/stdin_lines.h"

#if defined(__SANITIZE_ADDRESS__) || defined(__has_feature)
#if defined(__SANITIZE_ADDRESS__) || __has_feature(address_sanitizer)
// Built with AddressSanitizer: the engine's own code (Chromium, not ours and
// not instrumented) deletes some objects through a pointer of another size, and
// leaves allocations behind at exit.
extern "C" const char* __asan_default_options() {  // NOLINT(readability-identifier-naming)
  return "new_delete_type_mismatch=0:fast_unwind_on_malloc=0";
}
extern "C" const char* __lsan_default_suppressions() {  // NOLINT(readability-identifier-naming)
  return "leak:libQt6WebEngineCore.so\n";
}
#endif
#endif

namespace {

// The user's own setting wins.
void SetDefault(const char* name, const char* value) {
  if (qEnvironmentVariableIsEmpty(name)) qputenv(name, value);
}

// The popup shows a 300 by 200 page for a few seconds, so the engine is set up
// for memory, not speed (measured on the whole program while a page shows,
// proportional memory of all its processes: 229 MB with --disable-gpu alone).
void PrepareEngineEnvironment() {
  // Chromium's sandbox refuses to run as root and the whole engine would exit
  // with the first page; as root there is no sandbox to be had anyway.
  if (::geteuid() == 0) SetDefault("QTWEBENGINE_DISABLE_SANDBOX", "1");
  // No OpenGL at all: Qt Quick draws the page in software, and neither the GL
  // driver nor its shader compiler (LLVM) is loaded: 229 -> 165 MB. Either
  // setting alone does not do: without GLX, Qt Quick's default backend fails.
  SetDefault("QT_XCB_GL_INTEGRATION", "none");
  SetDefault("QT_QUICK_BACKEND", "software");
  // No GPU process. Kept out on purpose: --single-process (165 -> 147 MB) runs
  // the page without the engine's sandbox, and the page arrives over plain HTTP
  // from a server anyone on the path can stand in for. Left out for no or little
  // gain: V8's lite mode (2 MB less, but no WebAssembly for the page), fewer
  // raster threads, a renderer-process limit, low-end-device mode, no extensions.
  SetDefault("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu");
}

std::optional<QRect> ParseBounds(const QString& text) {
  const QStringList parts = text.split(',');
  if (parts.size() != 4) return std::nullopt;
  int values[4];
  for (int i = 0; i < 4; ++i) {
    bool ok = false;
    values[i] = parts[i].toInt(&ok);
    if (!ok) return std::nullopt;
  }
  return QRect(values[0], values[1], values[2], values[3]);
}

}  // namespace

int main(int argc, char* argv[]) {
  using namespace zelmora::platform::qt;
  PrepareEngineEnvironment();
  // The engine's start-up report would land in the reminder's error output.
  QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false"));
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication app(argc, argv);
  app.setQuitOnLastWindowClosed(false);

  QCommandLineParser parser;
  const QCommandLineOption parentOption(QString(kParentOption).mid(2), "X window to embed the view into.",
                                        "window");
  const QCommandLineOption viewOption(QString(kViewOption).mid(2),
                                      "View bounds in the parent: x,y,width,height.", "bounds");
  parser.addOption(parentOption);
  parser.addOption(viewOption);
  parser.process(app);

  std::optional<quintptr> parentWindow;
  if (parser.isSet(parentOption)) {
    bool ok = false;
    parentWindow = parser.value(parentOption).toULongLong(&ok);
    if (!ok) qFatal("%s: bad window id", kProgramName);
  }
  const std::optional<QRect> bounds = ParseBounds(parser.value(viewOption));
  if (parser.isSet(viewOption) && !bounds) qFatal("%s: bad view bounds", kProgramName);

  PageHost host(parentWindow, bounds.value_or(QRect(0, 0, 350, 251)));
  StdinLines input;
  QObject::connect(&input, &StdinLines::LineRead, &host, &PageHost::HandleCommand);
  // exit(), not quit(): a quit request is refused while a window will not close,
  // and the view embedded in a window of a program that is gone is such a window.
  QObject::connect(&input, &StdinLines::Closed, &app, [] { QCoreApplication::exit(0); });
  return app.exec();
}
