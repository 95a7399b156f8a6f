#include "platform/desktop_qt/fatal_failure.h"

#include <QApplication>
#include <QMessageBox>
#include <cstdio>
#include <optional>
#include <string>

namespace zelmora::platform::qt {
namespace {

std::string TextOf(std::exception_ptr failure) {
  try {
    std::rethrow_exception(failure);
  } catch (const std::exception& known) {
    return known.what();
  } catch (...) {
    return "Unexpected failure";
  }
}

}  // namespace

int ReportFatalFailure(std::exception_ptr failure) noexcept {
  try {
    const std::string text = TextOf(failure);
    std::fprintf(stderr, "zelmora: %s\n", text.c_str());
    // The program's own QApplication is gone by now; a short-lived one shows the box.
    std::optional<QApplication> app;
    if (!QApplication::instance() && !qEnvironmentVariableIsEmpty("DISPLAY")) {
      static int argc = 1;
      static char name[] = "zelmora";
      static char* argv[] = {name, nullptr};
      app.emplace(argc, argv);
    }
    if (QApplication::instance()) {
      QMessageBox::critical(nullptr, QStringLiteral("Zelmora"), QString::fromStdString(text));
    }
  } catch (...) {
    // Nothing more can be said.
  }
  return 1;
}

}  // namespace zelmora::platform::qt
