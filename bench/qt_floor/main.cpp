// A bare Qt Widgets window with a tray icon, the size of the reminder's main
// window, doing nothing: the floor of the reminder's idle memory. Given a text,
// the window shows it in one label, so that the fonts it needs are loaded too.
#include <QApplication>
#include <QLabel>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QWidget>

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QWidget window;
  window.setWindowTitle(QStringLiteral("qt_floor"));
  window.setFixedSize(378, 265);
  if (argc > 1) (new QLabel(QString::fromLocal8Bit(argv[1]), &window))->move(8, 8);
  window.show();
  QPixmap image(32, 32);
  image.fill(Qt::darkCyan);
  QSystemTrayIcon icon{QIcon(image)};
  icon.show();
  return QApplication::exec();
}
