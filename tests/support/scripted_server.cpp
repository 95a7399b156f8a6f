#include "tests/support/scripted_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

namespace zelmora::testing {
namespace {

// Longest wait before the stop flag is looked at again.
constexpr std::chrono::milliseconds kStopCheckSlice{20};
constexpr std::size_t kFillerPiece = 64 * 1024;

int ListenOnLoopback(std::uint16_t& port) {
  const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listener < 0) throw std::runtime_error("socket failed");
  const int yes = 1;
  ::setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (::bind(listener, reinterpret_cast<sockaddr*>(&address), length) != 0 || ::listen(listener, 64) != 0 ||
      ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    ::close(listener);
    throw std::runtime_error("cannot listen on 127.0.0.1");
  }
  port = ntohs(address.sin_port);
  return listener;
}

}  // namespace

std::uint16_t UnusedLoopbackPort() {
  std::uint16_t port = 0;
  ::close(ListenOnLoopback(port));
  return port;
}

ScriptedServer::ScriptedServer() {
  listener_ = ListenOnLoopback(port_);
  thread_ = std::thread([this] { Serve(); });
}

ScriptedServer::~ScriptedServer() {
  stopping_ = true;
  thread_.join();
  ::close(listener_);
}

std::string ScriptedServer::Address(const std::string& target) const {
  return "http://127.0.0.1:" + std::to_string(port_) + target;
}

void ScriptedServer::Play(Script script) {
  const std::lock_guard lock(mutex_);
  scripts_.push_back(std::move(script));
}

std::vector<std::string> ScriptedServer::Requests() const {
  const std::lock_guard lock(mutex_);
  return requests_;
}

std::size_t ScriptedServer::Connections() const {
  const std::lock_guard lock(mutex_);
  return requests_.size();
}

Script ScriptedServer::NextScript() {
  const std::lock_guard lock(mutex_);
  if (!scripts_.empty()) {
    last_script_ = std::move(scripts_.front());
    scripts_.pop_front();
  }
  return last_script_;
}

bool ScriptedServer::WaitFor(int connection, short events, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!stopping_) {
    pollfd entry{connection, events, 0};
    if (::poll(&entry, 1, static_cast<int>(kStopCheckSlice.count())) > 0) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
  }
  return false;
}

bool ScriptedServer::SendAll(int connection, std::string_view bytes) {
  while (!bytes.empty()) {
    if (!WaitFor(connection, POLLOUT, std::chrono::hours(1))) return false;
    const ssize_t sent = ::send(connection, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (sent < 0) {
      if (errno == EAGAIN || errno == EINTR) continue;
      return false;  // the client has gone
    }
    bytes_sent_ += static_cast<std::size_t>(sent);
    bytes.remove_prefix(static_cast<std::size_t>(sent));
  }
  return true;
}

void ScriptedServer::Serve() {
  while (!stopping_) {
    pollfd entry{listener_, POLLIN, 0};
    if (::poll(&entry, 1, static_cast<int>(kStopCheckSlice.count())) <= 0) continue;
    const int connection = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (connection < 0) continue;
    Handle(connection, NextScript());
    ::close(connection);
  }
}

void ScriptedServer::Handle(int connection, const Script& script) {
  // The request head: everything up to the empty line, or up to the client's close.
  std::string request;
  char piece[4096];
  while (request.find("\r\n\r\n") == std::string::npos) {
    if (!WaitFor(connection, POLLIN, std::chrono::hours(1))) break;
    const ssize_t got = ::recv(connection, piece, sizeof piece, MSG_DONTWAIT);
    if (got <= 0) break;
    request.append(piece, static_cast<std::size_t>(got));
  }
  {
    const std::lock_guard lock(mutex_);
    requests_.push_back(request);
  }

  switch (script.mode) {
    case Script::Mode::kAnswer:
      if (!SendAll(connection, script.reply)) return;
      break;
    case Script::Mode::kDrip:
      for (const char byte : script.reply) {
        if (!SendAll(connection, std::string_view(&byte, 1))) return;
        // Sleeping in slices keeps the server quick to stop.
        const auto wake = std::chrono::steady_clock::now() + script.drip_interval;
        while (!stopping_ && std::chrono::steady_clock::now() < wake) std::this_thread::sleep_for(kStopCheckSlice);
      }
      break;
    case Script::Mode::kNeverAnswer:
      break;
    case Script::Mode::kEndless: {
      if (!SendAll(connection, script.reply)) return;
      const std::string filler(kFillerPiece, 'x');
      while (SendAll(connection, filler)) {
      }
      return;
    }
  }
  if (script.close_after_reply && script.mode != Script::Mode::kNeverAnswer) {
    ::shutdown(connection, SHUT_WR);
    return;
  }
  // Hold the connection until the client closes it.
  while (WaitFor(connection, POLLIN, std::chrono::hours(1))) {
    const ssize_t got = ::recv(connection, piece, sizeof piece, MSG_DONTWAIT);
    if (got == 0 || (got < 0 && errno != EAGAIN && errno != EINTR)) return;
  }
}

}  // namespace zelmora::testing
