#pragma once
// The stand-in's listener on 127.0.0.1: one thread per connection, one
// request per connection, faults mixed in at the configured rate.

#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <random>
#include <set>
#include <string_view>

#include "tools/taskserver/options.h"
#include "tools/taskserver/task_feed.h"

namespace zelmora::taskserver {

class Server {
 public:
  explicit Server(Options options);
  ~Server();
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

  // Binds and listens; returns the port. Throws std::runtime_error on failure.
  int Listen();
  // Accepts until Stop; returns once every connection has ended.
  void Run();
  // Any thread: ends Run, cutting open connections short.
  void Stop();

 private:
  void Serve(int client);
  std::optional<Fault> PickFault();
  void Log(std::string_view requestLine);
  // Waits, unless the server stops first; returns false when it stopped.
  bool Pause(int milliseconds);

  Options options_;
  TaskFeed feed_;
  int listener_ = -1;
  std::FILE* log_ = nullptr;

  std::mutex mutex_;  // guards everything below
  std::condition_variable changed_;
  bool stopping_ = false;
  std::set<int> clients_;
  std::mt19937 random_;
};

}  // namespace zelmora::taskserver
