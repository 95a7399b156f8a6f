#include "platform/desktop_qt/pageview/page_view_client.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <string>
#include <utility>

#include "core/event_log.h"
#include "platform/desktop_qt/pageview/pageview_location.h"
#include "platform/desktop_qt/pageview/pageview_protocol.h"

namespace zelmora::platform::qt {
namespace {
// Starting is fork and exec: quick, unless the program is missing or broken.
constexpr int kStartTimeoutMs = 5000;
// The helper's events are a few words or an address; anything longer is no event of ours.
constexpr std::size_t kMaxEventLineBytes = 8 * 1024;
// A reason goes into the popup, the tray's tooltip and the log: one short line.
constexpr qsizetype kLongestReason = 200;

QString BoundsArgument(const QRect& r) {
  return QStringLiteral("%1,%2,%3,%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

QString OneLine(QString text) {
  text = text.simplified();
  if (text.size() > kLongestReason) text = text.left(kLongestReason - 1) + QChar(0x2026);
  return text;
}

bool IsWebAddress(const QUrl& address) {
  return address.isValid() && (address.scheme() == "http" || address.scheme() == "https");
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

PageViewClient::PageViewClient(quintptr parentWindow, const QRect& viewBounds, QString program,
                               PageViewTiming timing)
    : parentWindow_(parentWindow),
      viewBounds_(viewBounds),
      program_(std::move(program)),
      timing_(timing),
      lines_(kMaxEventLineBytes) {
  answerDeadline_.setSingleShot(true);
  answerDeadline_.setTimerType(Qt::PreciseTimer);
  connect(&answerDeadline_, &QTimer::timeout, this, [this] {
    LogEvent("page view helper did not answer in time");
    NavigationFailed(QStringLiteral("%1 did not answer within %2 s")
                         .arg(kProgramName)
                         .arg(std::chrono::duration<double>(timing_.answerDeadline).count()));
  });
}

PageViewClient::~PageViewClient() {
  if (!Running()) return;
  disconnect(helper_.get(), nullptr, this, nullptr);
  helper_->closeWriteChannel();  // the helper quits when its input ends
  if (!helper_->waitForFinished(int(timing_.quitTimeout.count()))) helper_->kill();
  helper_->waitForFinished(int(timing_.quitTimeout.count()));
}

bool PageViewClient::Running() const { return helper_ && helper_->state() != QProcess::NotRunning; }

void PageViewClient::Navigate(const QUrl& address) {
  lastAddress_ = address;
  quietLoad_ = false;
  retried_ = false;
  restartedInSight_ = false;
  QString failure;
  if (!Running() && !StartHelper(failure)) {
    NavigationFailed(failure);
    return;
  }
  SendNavigation();
}

void PageViewClient::Prepare() {
  QString failure;
  if (Running() || !StartHelper(failure)) return;
  if (!shown_) Send(kHideCommand);
}

void PageViewClient::SetShown(bool shown) {
  if (shown && !shown_) restartedInSight_ = false;
  shown_ = shown;
  if (Running()) {
    Send(shown ? kShowCommand : kHideCommand);
  } else if (shown) {
    Restore();
  }
}

void PageViewClient::Restore() {
  if (lastAddress_.isEmpty()) return;
  quietLoad_ = true;
  retried_ = false;
  QString failure;
  if (!StartHelper(failure)) {
    NavigationFailed(failure);
    return;
  }
  SendNavigation();
}

void PageViewClient::Release() {
  answerDeadline_.stop();
  pending_ = Pending::None;
  quietLoad_ = false;
  if (!Running()) return;
  // The helper leaves on its own once its input ends; it is reaped (or killed
  // when it lingers) in the background, so the release never blocks.
  QProcess* leaving = helper_.release();
  disconnect(leaving, nullptr, this, nullptr);
  leaving->setParent(this);
  connect(leaving, &QProcess::finished, leaving, &QObject::deleteLater);
  QTimer::singleShot(timing_.quitTimeout, leaving, [leaving] { leaving->kill(); });
  leaving->closeWriteChannel();
}

void PageViewClient::SendNavigation() {
  // Fully encoded, the address is plain ASCII without line breaks.
  Send(kNavigateCommand + lastAddress_.toEncoded());
  // Out of sight from the start (a page asked for while the popup is hidden).
  if (!shown_) Send(kHideCommand);
  pending_ = Pending::Answer;
  answerDeadline_.start(timing_.answerDeadline);
}

void PageViewClient::Send(const QByteArray& line) { helper_->write(line + '\n'); }

bool PageViewClient::StartHelper(QString& failure) {
  // A helper that ended leaves its process object behind; replace it here,
  // outside its own signals.
  helper_ = std::make_unique<QProcess>();
  lines_ = LineBuffer(kMaxEventLineBytes);
  lastErrorLine_.clear();
  connect(helper_.get(), &QProcess::readyReadStandardOutput, this, &PageViewClient::ReadEvents);
  connect(helper_.get(), &QProcess::readyReadStandardError, this, &PageViewClient::ReadErrorOutput);
  connect(helper_.get(), &QProcess::finished, this, &PageViewClient::HelperEnded);
  helper_->start(program_,
                 {kParentOption, QString::number(parentWindow_), kViewOption, BoundsArgument(viewBounds_)});
  if (!helper_->waitForStarted(kStartTimeoutMs)) {
    failure = QStringLiteral("%1 could not be started (%2): %3")
                  .arg(kProgramName, program_, helper_->errorString());
    LogEvent("page view helper could not be started: " + helper_->errorString().toStdString());
    helper_.reset();
    pending_ = Pending::None;
    return false;
  }
  LogEvent("page view helper started, process " + std::to_string(helper_->processId()));
  return true;
}

void PageViewClient::StopHelper() {
  answerDeadline_.stop();
  if (!helper_) return;
  disconnect(helper_.get(), nullptr, this, nullptr);
  helper_->kill();
  helper_->waitForFinished(int(timing_.quitTimeout.count()));
  helper_.reset();
}

void PageViewClient::ReadEvents() {
  const QByteArray bytes = helper_->readAllStandardOutput();
  for (const std::string& line : lines_.Append({bytes.constData(), std::size_t(bytes.size())})) {
    const QByteArray event = QByteArray::fromStdString(line).trimmed();
    if (event == kNavigatingEvent) {
      if (pending_ == Pending::Answer) pending_ = Pending::Page;
      answerDeadline_.stop();
    } else if (event == kLoadedOkEvent || event == kLoadedErrorEvent) {
      pending_ = Pending::None;
      answerDeadline_.stop();
      if (std::exchange(quietLoad_, false)) continue;
      emit LoadFinished(event == kLoadedOkEvent);
    } else if (event.startsWith(kOpenEvent)) {
      const QUrl address = QUrl::fromEncoded(event.mid(qsizetype(qstrlen(kOpenEvent))), QUrl::StrictMode);
      if (IsWebAddress(address)) emit OpenRequested(address);
    }
  }
}

// Passed on to the reminder's own error output, as if the helper wrote there.
// The last line that is more than a warning says why a helper that cannot run
// ended (the engine warns of a missing accessibility bus and the like).
void PageViewClient::ReadErrorOutput() {
  const QByteArray bytes = helper_->readAllStandardError();
  [[maybe_unused]] const ssize_t written =
      ::write(STDERR_FILENO, bytes.constData(), std::size_t(bytes.size()));
  for (const QByteArray& line : bytes.split('\n')) {
    if (!line.trimmed().isEmpty() && !line.contains("WARNING **")) lastErrorLine_ = line;
  }
}

void PageViewClient::HelperEnded() {
  QString ending =
      helper_->exitStatus() == QProcess::CrashExit
          ? QStringLiteral("%1 crashed").arg(kProgramName)
          : QStringLiteral("%1 ended with exit code %2").arg(kProgramName).arg(helper_->exitCode());
  if (!lastErrorLine_.isEmpty()) ending += ": " + QString::fromLocal8Bit(lastErrorLine_);
  LogEvent("page view helper ended unexpectedly: " + ending.toStdString());
  // Delete the process object later: this runs inside its own signal.
  helper_.release()->deleteLater();
  if (Loading()) {
    NavigationFailed(ending);
  } else if (shown_ && !restartedInSight_) {
    // Killed, or crashed, under the user's eyes: the page comes back.
    restartedInSight_ = true;
    Restore();
  }
  // Otherwise the next navigation, or the popup's next showing, starts another.
}

void PageViewClient::NavigationFailed(const QString& reason) {
  StopHelper();
  if (!retried_) {
    retried_ = true;
    QString failure;
    if (StartHelper(failure)) {
      SendNavigation();
      return;
    }
  }
  pending_ = Pending::None;
  quietLoad_ = false;
  emit Failed(OneLine(reason));
}

}  // namespace zelmora::platform::qt
