#include "tests/support/task_server_process.h"

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <charconv>
#include <thread>

extern char** environ;

namespace zelmora::testing {
namespace {

constexpr int kStartTimeoutMs = 5000;

std::string ReadLine(int fd) {
  std::string line;
  char c;
  pollfd waiting{fd, POLLIN, 0};
  while (::poll(&waiting, 1, kStartTimeoutMs) > 0 && ::read(fd, &c, 1) == 1 && c != '\n') line += c;
  return line;
}

}  // namespace

TaskServerProcess::TaskServerProcess(const std::vector<std::string>& options) {
  int out[2];
  if (::pipe(out) != 0) return;
  std::vector<std::string> arguments{ZELMORA_TASKSERVER_PATH, "--port", "0"};
  arguments.insert(arguments.end(), options.begin(), options.end());
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  posix_spawn_file_actions_addclose(&actions, out[1]);
  const int spawned = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(out[1]);
  if (spawned != 0) {
    pid_ = -1;
    ::close(out[0]);
    return;
  }
  firstLine_ = ReadLine(out[0]);
  ::close(out[0]);
  const auto space = firstLine_.rfind(' ');
  const auto colon = firstLine_.rfind(':');
  if (space == std::string::npos || colon == std::string::npos || colon < space) return;
  address_ = firstLine_.substr(space + 1);
  std::from_chars(firstLine_.data() + colon + 1, firstLine_.data() + firstLine_.size(), port_);
}

TaskServerProcess::~TaskServerProcess() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGTERM);
  ::waitpid(pid_, nullptr, 0);
}

int TaskServerProcess::Terminate(std::chrono::milliseconds limit) {
  if (pid_ <= 0) return -1;
  ::kill(pid_, SIGTERM);
  for (auto deadline = std::chrono::steady_clock::now() + limit;
       std::chrono::steady_clock::now() < deadline;) {
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return -1;
}

}  // namespace zelmora::testing
