#include "platform/desktop_qt/pageview/page_view_client.h"

#include <QCoreApplication>
#include <QFileInfo>

#include "core/error.h"
#include "platform/desktop_qt/pageview/pageview_location.h"
#include "platform/desktop_qt/pageview/pageview_protocol.h"

namespace zelmora::platform::qt {
namespace {
// Starting is fork and exec: quick, unless the program is missing or broken.
constexpr int kStartTimeoutMs = 5000;
// Time the engine gets to shut down cleanly when the reminder exits.
constexpr int kQuitTimeoutMs = 3000;

QString BoundsArgument(const QRect& r) {
  return QStringLiteral("%1,%2,%3,%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}
}  // namespace

QString PageViewProgramPath() {
  const QString programDir = QCoreApplication::applicationDirPath();
  for (const QString& candidate :
       {programDir + '/' + kInstalledDirFromProgram + '/' + kProgramName, programDir + '/' + kProgramName}) {
    const QFileInfo helper(candidate);
    if (helper.isExecutable()) return helper.canonicalFilePath();
  }
  return QString::fromUtf8(kBuiltProgramPath);
}

PageViewClient::PageViewClient(quintptr parentWindow, const QRect& viewBounds)
    : parentWindow_(parentWindow), viewBounds_(viewBounds) {}

PageViewClient::~PageViewClient() {
  if (!helper_ || helper_->state() == QProcess::NotRunning) return;
  disconnect(helper_.get(), nullptr, this, nullptr);
  helper_->closeWriteChannel();  // the helper quits when its input ends
  if (!helper_->waitForFinished(kQuitTimeoutMs)) helper_->kill();
  helper_->waitForFinished(kQuitTimeoutMs);
}

void PageViewClient::Navigate(const QUrl& address) {
  if (!helper_ || helper_->state() == QProcess::NotRunning) StartHelper();
  // Fully encoded, the address is plain ASCII without line breaks.
  helper_->write(kNavigateCommand + address.toEncoded() + '\n');
}

void PageViewClient::StartHelper() {
  // A helper that died leaves its process object behind; replace it here,
  // outside its own signals.
  helper_ = std::make_unique<QProcess>();
  helper_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
  connect(helper_.get(), &QProcess::readyReadStandardOutput, this, &PageViewClient::ReadEvents);
  helper_->start(PageViewProgramPath(),
                 {kParentOption, QString::number(parentWindow_), kViewOption, BoundsArgument(viewBounds_)});
  if (!helper_->waitForStarted(kStartTimeoutMs)) {
    const QString reason = helper_->errorString();
    helper_.reset();
    throw Error("The page view could not be started: " + reason.toStdString());
  }
}

void PageViewClient::ReadEvents() {
  while (helper_->canReadLine()) {
    const QByteArray line = helper_->readLine().trimmed();
    if (line == kLoadedOkEvent)
      emit LoadFinished(true);
    else if (line == kLoadedErrorEvent)
      emit LoadFinished(false);
  }
}

}  // namespace zelmora::platform::qt
