#include "platform/desktop_qt/pageview/page_host.h"

#include <unistd.h>

#include <QEvent>
#include <QUrl>
#include <QWindow>

#include "platform/desktop_qt/pageview/pageview_protocol.h"
#include "platform/desktop_qt/pageview/popup_page.h"

namespace zelmora::platform::qt {
namespace {

void WriteEvent(const char* event) {
  const QByteArray line = QByteArray(event) + '\n';
  // A short pipe write of a few bytes is atomic; a failed write means the
  // reminder has gone, and the closed stdin will end this process.
  [[maybe_unused]] const ssize_t written = ::write(STDOUT_FILENO, line.constData(), line.size());
}

}  // namespace

PageHost::PageHost(std::optional<quintptr> parentWindow, const QRect& viewBounds)
    : view_(std::make_unique<QWebEngineView>()) {
  // Clicks reach the page, but the popup never takes the keyboard focus.
  view_->setWindowFlag(Qt::WindowDoesNotAcceptFocus);
  page_ = new PopupPage(view_.get());
  view_->setPage(page_);
  if (parentWindow) {
    view_->setWindowFlag(Qt::FramelessWindowHint);
    parent_.reset(QWindow::fromWinId(static_cast<WId>(*parentWindow)));
    view_->installEventFilter(this);
    view_->winId();  // the view needs its own native window to be re-parented
    Embed();
  }
  view_->setGeometry(viewBounds);
  connect(view_.get(), &QWebEngineView::loadFinished, this,
          [](bool ok) { WriteEvent(ok ? kLoadedOkEvent : kLoadedErrorEvent); });
  view_->show();
}

PageHost::~PageHost() {
  // The view goes before the foreign parent that holds its window, and both
  // before QApplication, or the engine warns about its profile at exit.
  if (view_) view_->removeEventFilter(this);
  view_.reset();
}

bool PageHost::eventFilter(QObject* watched, QEvent* event) {
  // Qt replaces the view's native window when the engine's render widget
  // arrives (it needs another surface type); the new one must go into the
  // reminder's window too, before it is mapped.
  if (watched == view_.get() && event->type() == QEvent::WinIdChange) Embed();
  return false;
}

void PageHost::Embed() {
  QWindow* own = view_->windowHandle();
  if (own && own->parent() != parent_.get()) own->setParent(parent_.get());
}

void PageHost::HandleCommand(const QByteArray& line) {
  if (line.startsWith(kNavigateCommand)) {
    const QByteArray address = line.mid(qsizetype(qstrlen(kNavigateCommand)));
    page_->LoadForReminder(QUrl::fromEncoded(address));
    WriteEvent(kNavigatingEvent);
  }
}

}  // namespace zelmora::platform::qt
