#pragma once
// A local TCP server on 127.0.0.1 that plays a script to each connection it
// accepts and records what the client sent. For tests, tools and benchmarks.
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/socket.h"

namespace zelmora::testing {

struct Script {
  enum class Mode {
    Answer,       // send `reply` once the request head has arrived
    Drip,         // the same, one byte every `dripInterval`
    NeverAnswer,  // read and keep the connection open, saying nothing
    Endless,      // send `reply`, then filler bytes until the client goes
    Reset,        // read the request head, then reset the connection
  };
  Mode mode = Mode::Answer;
  std::string reply;
  // Close after answering (Answer, Drip); otherwise hold the connection
  // until the client closes it.
  bool closeAfterReply = true;
  std::chrono::milliseconds dripInterval{1000};
};

class ScriptedServer {
 public:
  ScriptedServer();  // listens on 127.0.0.1 at a port the system picks
  ~ScriptedServer();
  ScriptedServer(const ScriptedServer&) = delete;
  ScriptedServer& operator=(const ScriptedServer&) = delete;

  std::uint16_t Port() const { return port_; }
  // "http://127.0.0.1:<port>" followed by `target`.
  std::string Address(const std::string& target = "/") const;

  // Scripts for the next connections, in order; once they are used up every
  // further connection gets the last one.
  void Play(Script script);
  void Play(std::string reply) { Play(Script{Script::Mode::Answer, std::move(reply)}); }

  // What each connection sent before the server answered (the request head),
  // in connection order.
  std::vector<std::string> Requests() const;
  std::size_t Connections() const;
  // Bytes the server managed to hand to the system, over all connections.
  std::size_t BytesSent() const { return bytesSent_.load(); }

 private:
  void Serve();
  // Socket handles are held as integers (a Windows SOCKET fits) to keep the
  // system's socket headers out of the tests.
  void Handle(std::intptr_t connection, const Script& script);
  bool SendAll(std::intptr_t connection, std::string_view bytes);
  bool WaitFor(std::intptr_t connection, short events, std::chrono::milliseconds timeout);
  Script NextScript();

  platform::SocketLibrary socketLibrary_;  // first in, last out: Windows needs it for every call
  std::intptr_t listener_ = -1;
  std::uint16_t port_ = 0;
  std::atomic<bool> stopping_{false};
  std::atomic<std::size_t> bytesSent_{0};
  mutable std::mutex mutex_;
  std::deque<Script> scripts_;
  Script lastScript_;
  std::vector<std::string> requests_;
  std::thread thread_;
};

// A loopback port where nothing listens (connecting is refused).
std::uint16_t UnusedLoopbackPort();

// A loopback port whose listener never accepts and whose accept queue is full,
// like an overloaded server: the system drops a new connection's SYN, so a
// connect there gets no answer at all.
class FullAcceptQueue {
 public:
  FullAcceptQueue();
  ~FullAcceptQueue();
  FullAcceptQueue(const FullAcceptQueue&) = delete;
  FullAcceptQueue& operator=(const FullAcceptQueue&) = delete;

  std::string Address() const { return "http://127.0.0.1:" + std::to_string(port_) + "/"; }

 private:
  platform::SocketLibrary socketLibrary_;
  std::intptr_t listener_ = -1;
  std::uint16_t port_ = 0;
  std::vector<std::intptr_t> waiting_;  // connections filling the queue
};

}  // namespace zelmora::testing
