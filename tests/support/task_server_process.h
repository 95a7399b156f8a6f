#pragma once
// Runs tools/taskserver as a child process on a free loopback port.
#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace zelmora::testing {

class TaskServerProcess {
 public:
  // Starts the built stand-in with "--port 0" and the given options, and waits
  // (up to five seconds) for the line that names its port.
  explicit TaskServerProcess(const std::vector<std::string>& options);
  ~TaskServerProcess();  // ends it with SIGTERM if it still runs
  TaskServerProcess(const TaskServerProcess&) = delete;
  TaskServerProcess& operator=(const TaskServerProcess&) = delete;

  // The first line it printed: "listening on 127.0.0.1:PORT".
  const std::string& FirstLine() const { return firstLine_; }
  // "127.0.0.1:PORT", empty when the server did not come up.
  const std::string& Address() const { return address_; }
  int Port() const { return port_; }

  // Sends SIGTERM; the exit status, or -1 when it did not end within the limit.
  int Terminate(std::chrono::milliseconds limit);

 private:
  pid_t pid_ = -1;
  std::string firstLine_;
  std::string address_;
  int port_ = 0;
};

}  // namespace zelmora::testing
