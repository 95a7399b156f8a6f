#include "tests/support/scripted_server.h"

#include <stdexcept>

#include "tests/support/scripted_server_socket.h"

namespace zelmora::testing {
namespace {

// Longest wait before the stop flag is looked at again.
constexpr std::chrono::milliseconds kStopCheckSlice{20};
constexpr std::size_t kFillerPiece = 64 * 1024;

sockets::Socket AsSocket(std::intptr_t handle) { return static_cast<sockets::Socket>(handle); }

std::intptr_t ListenOrThrow(std::uint16_t& port, int backlog = 64) {
  const sockets::Socket listener = sockets::ListenOnLoopback(port, backlog);
  if (listener == sockets::kNoSocket) throw std::runtime_error("cannot listen on 127.0.0.1");
  return static_cast<std::intptr_t>(listener);
}

}  // namespace

std::uint16_t UnusedLoopbackPort() {
  const platform::SocketLibrary socketLibrary;
  std::uint16_t port = 0;
  sockets::Close(AsSocket(ListenOrThrow(port)));
  return port;
}

FullAcceptQueue::FullAcceptQueue() {
  listener_ = ListenOrThrow(port_, 0);
  // Connect until one gets no answer: that one's SYN was dropped.
  for (int tries = 0; tries < 16; ++tries) {
    const sockets::Socket connection = sockets::OpenStream();
    if (connection == sockets::kNoSocket) throw std::runtime_error("cannot open a socket");
    waiting_.push_back(static_cast<std::intptr_t>(connection));
    if (!sockets::StartConnect(connection, port_)) throw std::runtime_error("cannot connect to 127.0.0.1");
    if (!sockets::Poll(connection, POLLOUT, 300)) return;
  }
  throw std::runtime_error("the accept queue never filled");
}

FullAcceptQueue::~FullAcceptQueue() {
  for (const std::intptr_t connection : waiting_) sockets::Close(AsSocket(connection));
  sockets::Close(AsSocket(listener_));
}

ScriptedServer::ScriptedServer() {
  listener_ = ListenOrThrow(port_);
  thread_ = std::thread([this] { Serve(); });
}

ScriptedServer::~ScriptedServer() {
  stopping_ = true;
  thread_.join();
  sockets::Close(AsSocket(listener_));
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
    lastScript_ = std::move(scripts_.front());
    scripts_.pop_front();
  }
  return lastScript_;
}

bool ScriptedServer::WaitFor(std::intptr_t connection, short events, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!stopping_) {
    if (sockets::Poll(AsSocket(connection), events, static_cast<int>(kStopCheckSlice.count()))) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
  }
  return false;
}

bool ScriptedServer::SendAll(std::intptr_t connection, std::string_view bytes) {
  while (!bytes.empty()) {
    if (!WaitFor(connection, POLLOUT, std::chrono::hours(1))) return false;
    const long sent = sockets::Send(AsSocket(connection), bytes.data(), bytes.size());
    if (sent < 0) {
      if (sockets::LastCallWouldBlock()) continue;
      return false;  // the client has gone
    }
    bytesSent_ += static_cast<std::size_t>(sent);
    bytes.remove_prefix(static_cast<std::size_t>(sent));
  }
  return true;
}

void ScriptedServer::Serve() {
  const sockets::Socket listener = AsSocket(listener_);
  while (!stopping_) {
    if (!sockets::Poll(listener, POLLIN, static_cast<int>(kStopCheckSlice.count()))) continue;
    // The listener does not block: a client that gave up in between is no stall.
    const sockets::Socket connection = sockets::Accept(listener);
    if (connection == sockets::kNoSocket) continue;
    Handle(static_cast<std::intptr_t>(connection), NextScript());
    sockets::Close(connection);
  }
}

void ScriptedServer::Handle(std::intptr_t connection, const Script& script) {
  // The request head: everything up to the empty line, or up to the client's close.
  std::string request;
  char piece[4096];
  while (request.find("\r\n\r\n") == std::string::npos) {
    if (!WaitFor(connection, POLLIN, std::chrono::hours(1))) break;
    const long got = sockets::Receive(AsSocket(connection), piece, sizeof piece);
    if (got < 0 && sockets::LastCallWouldBlock()) continue;
    if (got <= 0) break;
    request.append(piece, static_cast<std::size_t>(got));
  }
  {
    const std::lock_guard lock(mutex_);
    requests_.push_back(request);
  }

  switch (script.mode) {
    case Script::Mode::Answer:
      if (!SendAll(connection, script.reply)) return;
      break;
    case Script::Mode::Drip:
      for (const char byte : script.reply) {
        if (!SendAll(connection, std::string_view(&byte, 1))) return;
        // Sleeping in slices keeps the server quick to stop.
        const auto wake = std::chrono::steady_clock::now() + script.dripInterval;
        while (!stopping_ && std::chrono::steady_clock::now() < wake)
          std::this_thread::sleep_for(kStopCheckSlice);
      }
      break;
    case Script::Mode::NeverAnswer: break;
    case Script::Mode::Reset: sockets::ResetOnClose(AsSocket(connection)); return;
    case Script::Mode::Endless: {
      if (!SendAll(connection, script.reply)) return;
      const std::string filler(kFillerPiece, 'x');
      while (SendAll(connection, filler)) {
      }
      return;
    }
  }
  if (script.closeAfterReply && script.mode != Script::Mode::NeverAnswer) {
    sockets::ShutdownSending(AsSocket(connection));
    return;
  }
  // Hold the connection until the client closes it.
  while (WaitFor(connection, POLLIN, std::chrono::hours(1))) {
    const long got = sockets::Receive(AsSocket(connection), piece, sizeof piece);
    if (got == 0 || (got < 0 && !sockets::LastCallWouldBlock())) return;
  }
}

}  // namespace zelmora::testing
