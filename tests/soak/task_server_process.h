#pragma once
// Runs tools/taskserver as a child process on a free loopback port.
#include <sys/types.h>

#include <string>
#include <vector>

namespace zelmora::testing {

class TaskServerProcess {
 public:
  explicit TaskServerProcess(const std::vector<std::string>& options);
  ~TaskServerProcess();
  TaskServerProcess(const TaskServerProcess&) = delete;
  TaskServerProcess& operator=(const TaskServerProcess&) = delete;

  // "127.0.0.1:PORT", empty when the server did not come up.
  const std::string& Address() const { return address_; }

 private:
  pid_t pid_ = -1;
  std::string address_;
};

}  // namespace zelmora::testing
