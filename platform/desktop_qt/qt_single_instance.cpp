#include "platform/desktop_qt/qt_single_instance.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QSessionManager>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QThread>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "core/error.h"
#include "core/event_log.h"

namespace zelmora::platform::qt {
namespace {

using Clock = std::chrono::steady_clock;

constexpr char kShowRequest[] = "show\n";
constexpr char kShownAnswer[] = "shown\n";
constexpr std::size_t kLongestRequest = 64;
// A reminder that has just taken the lock listens once its event loop runs; a
// second start made meanwhile waits for it this long at most.
constexpr auto kListenerPatience = std::chrono::seconds(10);
constexpr auto kConnectPause = std::chrono::milliseconds(100);
// A listening reminder answers at once unless it is stopped or hangs.
constexpr auto kAnswerPatience = std::chrono::seconds(2);

void Say(const std::string& text) {
  std::fprintf(stderr, "zelmora: %s\n", text.c_str());
  LogEvent(text);
}

std::string SystemText(int error) { return std::strerror(error); }

// Runs `use` with the address of the socket at `path`. A path longer than an
// address holds (a deep runtime folder) is reached through a descriptor of
// its folder.
template <typename Use>
int WithAddress(const std::string& path, Use use) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.size() < sizeof address.sun_path) {
    std::copy(path.begin(), path.end(), address.sun_path);
    return use(address);
  }
  const std::size_t slash = path.rfind('/');
  const int folder = ::open(path.substr(0, slash).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (folder < 0) return -1;
  const std::string shortPath = "/proc/self/fd/" + std::to_string(folder) + path.substr(slash);
  int result = -1;
  if (shortPath.size() < sizeof address.sun_path) {
    std::copy(shortPath.begin(), shortPath.end(), address.sun_path);
    result = use(address);
  } else {
    errno = ENAMETOOLONG;
  }
  const int error = errno;
  ::close(folder);
  errno = error;
  return result;
}

enum class Answer { Shown, NotListening, None };

Answer AskToShow(const std::string& socketPath) {
  const int socket = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (socket < 0) return Answer::NotListening;
  const int connected = WithAddress(socketPath, [socket](const sockaddr_un& address) {
    return ::connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address);
  });
  // A full backlog (EAGAIN) means it is there but takes no calls.
  if (connected != 0) {
    const Answer answer = errno == EAGAIN ? Answer::None : Answer::NotListening;
    ::close(socket);
    return answer;
  }
  // The kernel takes the request even from a stopped reminder: only the answer tells.
  Answer answer = Answer::None;
  if (::send(socket, kShowRequest, std::strlen(kShowRequest), MSG_NOSIGNAL) > 0) {
    const Clock::time_point deadline = Clock::now() + kAnswerPatience;
    std::string received;
    for (Clock::time_point now = Clock::now(); now < deadline; now = Clock::now()) {
      pollfd readable{socket, POLLIN, 0};
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now);
      if (::poll(&readable, 1, static_cast<int>(left.count()) + 1) <= 0) continue;
      char buffer[16];
      const ssize_t length = ::recv(socket, buffer, sizeof buffer, 0);
      if (length < 0 && (errno == EAGAIN || errno == EINTR)) continue;
      if (length <= 0) {
        answer = Answer::NotListening;  // it hung up: it is ending
        break;
      }
      received.append(buffer, static_cast<std::size_t>(length));
      if (received.find('\n') != std::string::npos) {
        answer = received == kShownAnswer ? Answer::Shown : Answer::None;
        break;
      }
    }
  }
  ::close(socket);
  return answer;
}

// The process that holds the lock, as it wrote itself into the file; 0 when unknown.
long LockHolder(int lock) {
  char text[24] = {};
  const ssize_t length = ::pread(lock, text, sizeof text - 1, 0);
  return length > 0 ? std::strtol(text, nullptr, 10) : 0;
}

// Writes this process's number into the lock, for another start's message. A
// full folder may refuse the text; the lock holds all the same.
void TellHolder(int lock) {
  const std::string self = std::to_string(::getpid()) + '\n';
  if (::ftruncate(lock, 0) == 0 && ::pwrite(lock, self.data(), self.size(), 0) < 0) return;
}

[[noreturn]] void NoAnswer(long holder) {
  const std::string process = holder > 0 ? " (process " + std::to_string(holder) + ")" : std::string();
  throw Error("The reminder already running on this display" + process +
              " does not answer. It may be stopped or hanging: end it, or wait for it, then start the "
              "reminder again");
}

std::unique_ptr<platform::InstanceClaim> Unguarded(const std::string& lockPath, int error) {
  return std::make_unique<QtInstanceClaim>(
      -1, std::string(),
      "cannot use " + lockPath + " (" + SystemText(error) + "): running without the one-reminder guard");
}

std::string FileName(const QString& text) {
  std::string name = text.toStdString();
  for (char& c : name) {
    if (std::isalnum(static_cast<unsigned char>(c)) == 0 && c != '.' && c != '-') c = '_';
  }
  return name;
}

}  // namespace

struct QtInstanceClaim::Caller {
  int socket = -1;
  std::unique_ptr<QSocketNotifier> readable;
  std::string received;
};

QtInstanceClaim::QtInstanceClaim(int lock, std::string socketPath, std::string problem)
    : lock_(lock), socketPath_(std::move(socketPath)), problem_(std::move(problem)) {
  // Listening means answering: only once the event loop runs.
  QMetaObject::invokeMethod(
      QCoreApplication::instance(),
      [this, alive = alive_] {
        if (*alive) Listen();
      },
      Qt::QueuedConnection);
}

QtInstanceClaim::~QtInstanceClaim() {
  *alive_ = false;
  for (auto& caller : callers_) {
    caller->readable.reset();
    ::close(caller->socket);
  }
  callers_.clear();
  listening_.reset();
  if (listener_ >= 0) {
    ::unlink(socketPath_.c_str());
    ::close(listener_);
  }
  if (lock_ >= 0) ::close(lock_);  // lets go of the lock
}

void QtInstanceClaim::Listen() {
  if (lock_ < 0) {
    Say(problem_);
    return;
  }
  listener_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  // Holding the lock, a socket file left behind can only be a dead reminder's.
  ::unlink(socketPath_.c_str());
  const auto bind = [this](const sockaddr_un& address) {
    return ::bind(listener_, reinterpret_cast<const sockaddr*>(&address), sizeof address);
  };
  if (listener_ < 0 || WithAddress(socketPath_, bind) != 0 || ::listen(listener_, 16) != 0) {
    const int error = errno;
    if (listener_ >= 0) ::close(listener_);
    listener_ = -1;
    Say("cannot listen at " + socketPath_ + " (" + SystemText(error) +
        "): another start of the program on this display will say that this one does not answer");
    return;
  }
  listening_ = std::make_unique<QSocketNotifier>(listener_, QSocketNotifier::Read);
  QObject::connect(listening_.get(), &QSocketNotifier::activated, listening_.get(), [this] { Accept(); });
}

void QtInstanceClaim::OnShowRequest(std::function<void()> handler) {
  onShowRequest_ = std::move(handler);
  if (std::exchange(showRequestPending_, false)) ShowRequested();
}

void QtInstanceClaim::Accept() {
  for (;;) {
    const int socket = ::accept4(listener_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (socket < 0) return;
    auto caller = std::make_unique<Caller>();
    caller->socket = socket;
    caller->readable = std::make_unique<QSocketNotifier>(socket, QSocketNotifier::Read);
    QObject::connect(caller->readable.get(), &QSocketNotifier::activated, caller->readable.get(),
                     [this, raw = caller.get()] { Read(*raw); });
    callers_.push_back(std::move(caller));
  }
}

void QtInstanceClaim::Read(Caller& caller) {
  char buffer[kLongestRequest];
  const ssize_t length = ::recv(caller.socket, buffer, sizeof buffer, 0);
  if (length < 0 && (errno == EAGAIN || errno == EINTR)) return;
  if (length > 0) caller.received.append(buffer, static_cast<std::size_t>(length));
  const bool lineComplete = caller.received.find('\n') != std::string::npos;
  if (lineComplete && caller.received == kShowRequest) {
    ShowRequested();
    ::send(caller.socket, kShownAnswer, std::strlen(kShownAnswer), MSG_NOSIGNAL);
  }
  if (length <= 0 || lineComplete || caller.received.size() > kLongestRequest) Hang(caller);
}

void QtInstanceClaim::Hang(Caller& caller) {
  // The notifier is in the middle of its own signal: it goes once that is over.
  caller.readable->setEnabled(false);
  caller.readable.release()->deleteLater();
  ::close(caller.socket);
  std::erase_if(callers_, [&caller](const auto& held) { return held.get() == &caller; });
}

void QtInstanceClaim::ShowRequested() {
  if (onShowRequest_) {
    onShowRequest_();
  } else {
    showRequestPending_ = true;
  }
}

QString DisplayKey() {
  const QString platform = QGuiApplication::platformName();
  if (platform == QStringLiteral("xcb")) {
    char* host = nullptr;
    int display = 0;
    int screen = 0;
    if (xcb_parse_display(nullptr, &host, &display, &screen) != 0) {
      // The screen is left out: all screens of one display are one desktop.
      QString key = QStringLiteral("x11-");
      if (host != nullptr && *host != '\0') key += QString::fromLocal8Bit(host) + QLatin1Char('-');
      std::free(host);
      return key + QString::number(display);
    }
  }
  if (platform == QStringLiteral("wayland")) {
    const QString name = qEnvironmentVariable("WAYLAND_DISPLAY", QStringLiteral("wayland-0"));
    return QStringLiteral("wayland-") + name.section(QLatin1Char('/'), -1);
  }
  return platform;
}

std::unique_ptr<platform::InstanceClaim> ClaimInstanceIn(const QString& directory, const QString& display) {
  const std::string stem = directory.toStdString() + "/zelmora-" + FileName(display);
  const std::string lockPath = stem + ".lock";
  const std::string socketPath = stem + ".socket";
  const Clock::time_point listenerDeadline = Clock::now() + kListenerPatience;
  for (;;) {
    const int lock = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lock < 0) return Unguarded(lockPath, errno);
    if (::flock(lock, LOCK_EX | LOCK_NB) == 0) {
      TellHolder(lock);
      return std::make_unique<QtInstanceClaim>(lock, socketPath, std::string());
    }
    const int error = errno;
    const long holder = LockHolder(lock);
    ::close(lock);
    if (error != EWOULDBLOCK) return Unguarded(lockPath, error);
    switch (AskToShow(socketPath)) {
      case Answer::Shown: return nullptr;
      case Answer::None: NoAnswer(holder);
      case Answer::NotListening:
        if (Clock::now() >= listenerDeadline) NoAnswer(holder);
        QThread::msleep(static_cast<unsigned long>(kConnectPause.count()));
        break;
    }
  }
}

std::unique_ptr<platform::InstanceClaim> ClaimQtInstance() {
  auto claim =
      ClaimInstanceIn(QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation), DisplayKey());
  if (claim) {
    // A session manager would start a second reminder beside the one started at login.
    QObject::connect(qApp, &QGuiApplication::saveStateRequest, qApp,
                     [](QSessionManager& manager) { manager.setRestartHint(QSessionManager::RestartNever); });
  }
  return claim;
}

}  // namespace zelmora::platform::qt
