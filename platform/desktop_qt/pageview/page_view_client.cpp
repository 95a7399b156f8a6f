#include "platform/desktop_qt/pageview/page_view_client.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <string>
#include <utility>

#include "core/error.h"
#include "core/event_log.h"
#include "platform/desktop_qt/pageview/pageview_location.h"
#include "platform/desktop_qt/pageview/pageview_protocol.h"

namespace zelmora::platform::qt {
namespace {
// Starting is fork and exec: quick, unless the program is missing or broken.
constexpr int kStartTimeoutMs = 5000;
// The helper's lines are a few words; anything longer is no event of ours.
constexpr qsizetype kMaxEventLineBytes = 256;

QString BoundsArgument(const QRect& r) {
  return QStringLiteral("%1,%2,%3,%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

QString EndingOf(const QProcess& helper) {
  if (helper.exitStatus() == QProcess::CrashExit) return QStringLiteral("it crashed");
  return QStringLiteral("it ended with exit code %1").arg(helper.exitCode());
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
    NavigationFailed(QStringLiteral("it did not answer within %1 s")
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
  if (!Running()) StartHelper();
  SendNavigation();
}

void PageViewClient::Restore() {
  if (Running() || lastAddress_.isEmpty()) return;
  quietLoad_ = true;
  retried_ = false;
  try {
    StartHelper();
  } catch (const Error& failure) {
    quietLoad_ = false;
    if (!failureReported_) {
      failureReported_ = true;
      emit Failed(QString::fromStdString(failure.what()));
    }
    return;
  }
  SendNavigation();
}

bool PageViewClient::Release() {
  if (Loading()) return false;
  if (!Running()) return true;
  // The helper leaves on its own once its input ends; it is reaped (or killed
  // when it lingers) in the background, so the release never blocks.
  QProcess* leaving = helper_.release();
  disconnect(leaving, nullptr, this, nullptr);
  leaving->setParent(this);
  connect(leaving, &QProcess::finished, leaving, &QObject::deleteLater);
  QTimer::singleShot(timing_.quitTimeout, leaving, [leaving] { leaving->kill(); });
  leaving->closeWriteChannel();
  return true;
}

void PageViewClient::SendNavigation() {
  // Fully encoded, the address is plain ASCII without line breaks.
  helper_->write(kNavigateCommand + lastAddress_.toEncoded() + '\n');
  pending_ = Pending::Answer;
  answerDeadline_.start(timing_.answerDeadline);
}

void PageViewClient::StartHelper() {
  // A helper that ended leaves its process object behind; replace it here,
  // outside its own signals.
  helper_ = std::make_unique<QProcess>();
  helper_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
  lines_ = LineBuffer(kMaxEventLineBytes);
  connect(helper_.get(), &QProcess::readyReadStandardOutput, this, &PageViewClient::ReadEvents);
  connect(helper_.get(), &QProcess::finished, this, &PageViewClient::HelperEnded);
  helper_->start(program_,
                 {kParentOption, QString::number(parentWindow_), kViewOption, BoundsArgument(viewBounds_)});
  if (!helper_->waitForStarted(kStartTimeoutMs)) {
    const QString reason = helper_->errorString();
    helper_.reset();
    pending_ = Pending::None;
    throw Error("The page view could not be started: " + reason.toStdString());
  }
  LogEvent("page view helper started, process " + std::to_string(helper_->processId()));
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
  for (const QByteArray& line : lines_.Append(helper_->readAllStandardOutput())) {
    const QByteArray event = line.trimmed();
    if (event == kNavigatingEvent) {
      if (pending_ == Pending::Answer) pending_ = Pending::Page;
      answerDeadline_.stop();
    } else if (event == kLoadedOkEvent || event == kLoadedErrorEvent) {
      pending_ = Pending::None;
      answerDeadline_.stop();
      failureReported_ = false;
      if (std::exchange(quietLoad_, false)) continue;
      emit LoadFinished(event == kLoadedOkEvent);
    }
  }
}

void PageViewClient::HelperEnded() {
  const QString ending = EndingOf(*helper_);
  LogEvent("page view helper ended unexpectedly: " + ending.toStdString());
  // Delete the process object later: this runs inside its own signal.
  helper_.release()->deleteLater();
  if (Loading()) NavigationFailed(ending);
  // Ended with nothing on its way: the next navigation or Restore starts another.
}

void PageViewClient::NavigationFailed(const QString& reason) {
  StopHelper();
  if (!retried_) {
    retried_ = true;
    try {
      StartHelper();
      SendNavigation();
      return;
    } catch (const Error&) {
      // Reported below like any second failure.
    }
  }
  pending_ = Pending::None;
  quietLoad_ = false;
  if (failureReported_) return;
  failureReported_ = true;
  emit Failed(QStringLiteral("The page view (%1) failed twice in a row: %2").arg(kProgramName, reason));
}

}  // namespace zelmora::platform::qt
