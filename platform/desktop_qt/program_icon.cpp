#include "platform/desktop_qt/program_icon.h"

// The icons live in a static library's resources, which the linker would drop
// unless something refers to them.
static void LoadProgramIconResources() { Q_INIT_RESOURCE(zelmora); }

namespace zelmora::platform::qt {

QIcon ProgramIcon() {
  // Read once for the application, the windows and the tray alike: decoding it
  // at each costs start-up time. Never freed, as pixmaps must not outlive the
  // application object.
  static const QIcon* const kIcon = [] {
    LoadProgramIconResources();
    auto* read = new QIcon;
    read->addFile(QStringLiteral(":/zelmora/icon-16.png"), QSize(16, 16));
    read->addFile(QStringLiteral(":/zelmora/icon-32.png"), QSize(32, 32));
    return read;
  }();
  return *kIcon;
}

QIcon DimmedProgramIcon() {
  const QIcon icon = ProgramIcon();
  QIcon dimmed;
  for (const QSize& size : icon.availableSizes()) dimmed.addPixmap(icon.pixmap(size, QIcon::Disabled));
  return dimmed;
}

}  // namespace zelmora::platform::qt
