#include "tools/taskserver/server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <stdexcept>
#include <string>
#include <thread>

#include "tools/taskserver/replies.h"
#include "tools/taskserver/request.h"

namespace zelmora::taskserver {
namespace {

// A request head is one short line and a few headers.
constexpr size_t kMaxRequestHead = 16 * 1024;
// A client that sends nothing for this long is dropped.
constexpr int kReadTimeoutMs = 10'000;
// Beyond this many open connections, new ones are closed at once.
constexpr size_t kMaxConnections = 256;

void SendAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t sent = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (sent < 0 && errno == EINTR) continue;
    if (sent <= 0) return;
    bytes.remove_prefix(static_cast<size_t>(sent));
  }
}

// Reads up to the blank line that ends the head; nothing on timeout or close.
std::optional<std::string> ReadRequestHead(int fd) {
  std::string head;
  char buffer[2048];
  while (head.find("\r\n\r\n") == std::string::npos && head.find("\n\n") == std::string::npos) {
    if (head.size() > kMaxRequestHead) return std::nullopt;
    pollfd waiting{fd, POLLIN, 0};
    if (::poll(&waiting, 1, kReadTimeoutMs) <= 0) return std::nullopt;
    ssize_t count = ::recv(fd, buffer, sizeof buffer, 0);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) return std::nullopt;
    head.append(buffer, static_cast<size_t>(count));
  }
  return head;
}

using namespace std::string_view_literals;
// Bytes no HTTP client can take for a reply, with a counter-reply look-alike inside.
constexpr std::string_view kGarbage = "\x16\x03\x01 not http at all\0\xff|1|2|3\r\n\r\n"sv;

// Closing with a zero linger time sends a reset instead of a normal close.
void ResetConnection(int fd) {
  linger abort{1, 0};
  ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
}

}  // namespace

Server::Server(Options options)
    : options_(std::move(options)),
      feed_(options_.taskEverySeconds, options_.noteEverySeconds),
      random_(options_.seed != 0 ? options_.seed : std::random_device{}()) {
  if (!options_.logFile.empty()) {
    log_ = std::fopen(options_.logFile.c_str(), "a");
    if (!log_) throw std::runtime_error("cannot open log " + options_.logFile + ": " + std::strerror(errno));
  }
}

Server::~Server() {
  if (listener_ >= 0) ::close(listener_);
  if (log_) std::fclose(log_);
}

int Server::Listen() {
  listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listener_ < 0) throw std::runtime_error(std::string("socket: ") + std::strerror(errno));
  int on = 1;
  ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<std::uint16_t>(options_.port));
  if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(listener_, SOMAXCONN) != 0) {
    throw std::runtime_error("cannot listen on 127.0.0.1:" + std::to_string(options_.port) + ": " +
                             std::strerror(errno));
  }
  socklen_t length = sizeof address;
  ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
  return ntohs(address.sin_port);
}

void Server::Run() {
  while (true) {
    int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    std::unique_lock lock(mutex_);
    if (stopping_) {
      if (client >= 0) ::close(client);
      break;
    }
    if (client < 0) {
      lock.unlock();
      if (errno == EMFILE || errno == ENFILE) std::this_thread::sleep_for(std::chrono::milliseconds(50));
      continue;
    }
    if (clients_.size() >= kMaxConnections) {
      ::close(client);
      continue;
    }
    clients_.insert(client);
    std::thread([this, client] { Serve(client); }).detach();
  }
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return clients_.empty(); });
}

void Server::Stop() {
  std::lock_guard lock(mutex_);
  if (stopping_) return;
  stopping_ = true;
  // Wakes accept() and every connection waiting for its request.
  ::shutdown(listener_, SHUT_RDWR);
  for (int client : clients_) ::shutdown(client, SHUT_RDWR);
  changed_.notify_all();
}

void Server::Serve(int client) {
  if (auto head = ReadRequestHead(client)) {
    std::string_view line(*head);
    line = line.substr(0, line.find('\n'));
    if (line.ends_with('\r')) line.remove_suffix(1);
    Log(line);

    std::optional<RequestLine> request = ParseRequestLine(line);
    std::string reply = request ? ReplyTo(*request, feed_.StateAt(TaskFeed::Clock::now()))
                                : HttpReply(400, "Bad Request", "text/plain", "bad request line\n");
    std::optional<Fault> fault = PickFault();
    if (!fault) {
      SendAll(client, reply);
    } else {
      switch (*fault) {
        case Fault::Reset: ResetConnection(client); break;
        case Fault::Garbage: SendAll(client, kGarbage); break;
        case Fault::Cut: {
          // The whole head, then half of the body it announced.
          size_t bodyStart = reply.find("\r\n\r\n") + 4;
          SendAll(client, std::string_view(reply).substr(0, bodyStart + (reply.size() - bodyStart) / 2));
          break;
        }
        case Fault::Slow:
          if (Pause(options_.slowMilliseconds)) SendAll(client, reply);
          break;
      }
    }
  }
  std::lock_guard lock(mutex_);
  ::close(client);
  clients_.erase(client);
  changed_.notify_all();
}

std::optional<Fault> Server::PickFault() {
  std::lock_guard lock(mutex_);
  if (std::uniform_real_distribution<double>(0, 1)(random_) >= options_.faultRate) return std::nullopt;
  return options_.faults[std::uniform_int_distribution<size_t>(0, options_.faults.size() - 1)(random_)];
}

void Server::Log(std::string_view requestLine) {
  if (!log_) return;
  std::lock_guard lock(mutex_);
  std::fwrite(requestLine.data(), 1, requestLine.size(), log_);
  std::fputc('\n', log_);
  std::fflush(log_);
}

bool Server::Pause(int milliseconds) {
  std::unique_lock lock(mutex_);
  return !changed_.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return stopping_; });
}

}  // namespace zelmora::taskserver
