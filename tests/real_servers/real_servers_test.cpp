// The poll path (the real HTTP client and the counter exchange) against the web
// servers real PHP task sites run on, from the distribution's packages: nginx
// with PHP-FPM, Apache with mod_php and lighttpd with PHP as FastCGI. Each is
// started on loopback ports chosen now, with configuration files of ours, in
// a session of its own (Apache signals its whole process group when it stops),
// and stopped again by its process id.
//
// www/tx.php keeps a PHP session, sets a long routing cookie and a cookie of
// its own, answers in GBK and refuses a later request that lacks any of the
// cookies. Every poll must be answered, and the session must go on from poll
// to poll.
//
// A server that is not installed skips the test (exit status 77) for a user
// who cannot install it; as root, where CI installs every package, it fails.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/socket.h"
#include "poll/task_server_exchange.h"
#include "tests/support/scripted_server_socket.h"
#include "tests/support/temporary_directory.h"

extern char** environ;

namespace zelmora::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr int kPolls = 6;
// Bounds for a server that does not come up or go down at all; a working one
// needs well under a second on a busy machine.
constexpr auto kStartLimit = 30s;
constexpr auto kStopLimit = 15s;
// A port taken by someone else between our probe and the server's bind.
constexpr int kStartAttempts = 3;

// "广東任务 第N次" in GBK, as the script sends it: 東 ends in the byte "|".
std::string Announcement(int poll) {
  return "\xB9\xE3\x96\x7C\xC8\xCE\xCE\xF1 \xB5\xDA" + std::to_string(poll) + "\xB4\xCE";
}

std::string ReadAll(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// A port that was free a moment ago.
int FreeLoopbackPort() {
  std::uint16_t port = 0;
  sockets::Close(sockets::ListenOnLoopback(port));
  return port;
}

bool Accepts(int port) {
  try {
    platform::TcpConnection::Connect({127, 0, 0, 1}, static_cast<std::uint16_t>(port),
                                     {std::chrono::steady_clock::now() + 5s});
    return true;
  } catch (const Error&) {
    return false;
  }
}

// The words "@DIR@", "@PORT@" and "@FASTCGI_PORT@" replaced by this run's.
struct Places {
  fs::path dir;
  int port = 0;
  int fastCgiPort = 0;

  std::string Fill(std::string text) const {
    const std::pair<std::string, std::string> words[] = {{"@DIR@", dir.string()},
                                                         {"@PORT@", std::to_string(port)},
                                                         {"@FASTCGI_PORT@", std::to_string(fastCgiPort)}};
    for (const auto& [word, value] : words) {
      for (auto at = text.find(word); at != std::string::npos; at = text.find(word))
        text.replace(at, word.size(), value);
    }
    return text;
  }
};

// One server program, started in a session of its own with its output in a
// file; stopped with SIGTERM to its process group, and SIGKILL after the limit.
class ServerProcess {
 public:
  ServerProcess(std::vector<std::string> arguments, const fs::path& output) {
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                     0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    if (posix_spawn(&pid_, argv[0], &actions, &attributes, argv.data(), environ) != 0) pid_ = -1;
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
  }
  ~ServerProcess() { Stop(); }
  ServerProcess(const ServerProcess&) = delete;
  ServerProcess& operator=(const ServerProcess&) = delete;

  bool Running() {
    if (pid_ <= 0) return false;
    if (!Ended()) return true;
    Reap();
    return false;
  }

  void Stop() {
    if (pid_ <= 0) return;
    // The whole group: the server's workers end with it.
    ::kill(-pid_, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + kStopLimit;
    while (!Ended() && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(20ms);
    if (!Ended()) ADD_FAILURE() << "process " << pid_ << " did not end within " << kStopLimit.count() << " s";
    Reap();
  }

 private:
  // Whether the server has ended, leaving it unreaped: until it is reaped its
  // id cannot pass to another process, nor its group's.
  bool Ended() const {
    siginfo_t info{};
    return ::waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
           info.si_pid == pid_;
  }
  // Ends whatever of its group is left, then the server itself.
  void Reap() {
    ::kill(-pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

  pid_t pid_ = -1;
};

// One program of a server set-up: how to start it and the port that says it is ready.
struct Program {
  std::vector<std::string> arguments;  // the first is the executable
  bool readyOnFastCgiPort = false;
};

struct WebServer {
  std::string name;
  std::vector<std::string> configurations;  // templates beside this file, "NAME.in"
  std::vector<Program> programs;            // started in this order
  std::vector<std::string> alsoNeeded;      // files the set-up needs beyond the programs
};

std::ostream& operator<<(std::ostream& out, const WebServer& server) { return out << server.name; }

class RealServer : public ::testing::TestWithParam<WebServer> {
 protected:
  void SetUp() override {
    const WebServer& server = GetParam();
    std::vector<std::string> needed = server.alsoNeeded;
    for (const Program& program : server.programs) needed.push_back(program.arguments.front());
    for (const std::string& file : needed) {
      if (fs::exists(file)) continue;
      if (::geteuid() == 0) FAIL() << file << " is missing: .ci/install-packages installs it";
      GTEST_SKIP() << file << " is not installed";
    }
    ASSERT_NO_FATAL_FAILURE(Prepare());
    for (int attempt = 0; attempt < kStartAttempts && !started; ++attempt) Start();
    ASSERT_TRUE(started) << "the server did not come up\n" << Logs();
  }

  void TearDown() override {
    // Stopped first, so that the logs are complete.
    processes.clear();
    if (HasFailure()) std::cout << Logs();
  }

  // The script beside a sessions folder, all readable by the user the
  // servers' workers take on when started by root.
  void Prepare() {
    places.dir = directory.Path();
    fs::create_directories(places.dir / "www");
    fs::create_directories(places.dir / "sessions");
    fs::create_directories(places.dir / "nginx-temp");
    fs::copy_file(fs::path(ZELMORA_REAL_SERVERS_DIR) / "www" / "tx.php", places.dir / "www" / "tx.php");
    ASSERT_EQ(::chmod(places.dir.c_str(), 0755), 0);
    ASSERT_EQ(::chmod((places.dir / "www").c_str(), 0755), 0);
    ASSERT_EQ(::chmod((places.dir / "sessions").c_str(), 01733), 0);
  }

  void Start() {
    processes.clear();
    places.port = FreeLoopbackPort();
    places.fastCgiPort = FreeLoopbackPort();
    for (const std::string& name : GetParam().configurations) {
      std::ofstream(places.dir / name)
          << places.Fill(ReadAll(fs::path(ZELMORA_REAL_SERVERS_DIR) / (name + ".in")));
    }
    for (const Program& program : GetParam().programs) {
      std::vector<std::string> arguments;
      for (const std::string& argument : program.arguments) arguments.push_back(places.Fill(argument));
      const std::string output = fs::path(arguments.front()).filename().string() + ".out";
      auto& process = processes.emplace_back(std::make_unique<ServerProcess>(arguments, places.dir / output));
      const int port = program.readyOnFastCgiPort ? places.fastCgiPort : places.port;
      const auto deadline = std::chrono::steady_clock::now() + kStartLimit;
      while (!Accepts(port)) {
        if (!process->Running() || std::chrono::steady_clock::now() > deadline) return;
        std::this_thread::sleep_for(20ms);
      }
    }
    started = true;
  }

  // Every file the servers wrote, for a failure's report.
  std::string Logs() const {
    std::string logs;
    for (const auto& entry : fs::directory_iterator(places.dir)) {
      const auto extension = entry.path().extension();
      if (extension == ".log" || extension == ".out") {
        logs += "---- " + entry.path().filename().string() + "\n" + ReadAll(entry.path());
      }
    }
    return logs;
  }

  TemporaryDirectory directory;
  Places places;
  std::vector<std::unique_ptr<ServerProcess>> processes;
  bool started = false;
};

TEST_P(RealServer, EveryPollIsAnsweredAndTheSessionGoesOn) {
  PollState state;
  TaskFilters filters;
  std::vector<std::string> announcements;
  TaskServerExchange exchange(
      ExchangeContext{state, filters, [&](std::string text) { announcements.push_back(std::move(text)); }},
      "127.0.0.1:" + std::to_string(places.port));
  for (int poll = 1; poll <= kPolls; ++poll) {
    // As the poll worker runs it: the exchange, then a closed connection.
    try {
      exchange.Run();
    } catch (const std::exception& failure) {
      ADD_FAILURE() << "poll " << poll << ": " << failure.what();
    }
    exchange.Disconnect();
    // The script counts the polls of its session: a lost session starts again at 1.
    EXPECT_EQ(state.TaskId.load(), poll);
    EXPECT_EQ(state.NoteId.load(), poll);
    EXPECT_EQ(announcements.size() == static_cast<std::size_t>(poll) ? announcements.back() : std::string(),
              Announcement(poll))
        << "poll " << poll;
  }
}

INSTANTIATE_TEST_SUITE_P(
    DebianPackages, RealServer,
    ::testing::Values(
        WebServer{"nginx",
                  {"nginx.conf", "php-fpm.conf"},
                  {{{"/usr/sbin/php-fpm8.2", "-F", "-R", "-y", "@DIR@/php-fpm.conf"}, true},
                   {{"/usr/sbin/nginx", "-c", "@DIR@/nginx.conf", "-e", "@DIR@/nginx-error.log"}, false}},
                  {"/etc/nginx/fastcgi_params"}},
        WebServer{"apache",
                  {"apache2.conf"},
                  {{{"/usr/sbin/apache2", "-f", "@DIR@/apache2.conf", "-DFOREGROUND"}, false}},
                  {"/usr/lib/apache2/modules/libphp8.2.so", "/usr/lib/apache2/modules/mod_mpm_prefork.so"}},
        WebServer{"lighttpd",
                  {"lighttpd.conf"},
                  {{{"/usr/sbin/lighttpd", "-D", "-f", "@DIR@/lighttpd.conf"}, false}},
                  {"/usr/bin/php-cgi8.2"}}),
    [](const ::testing::TestParamInfo<WebServer>& info) { return info.param.name; });

}  // namespace
}  // namespace zelmora::testing

// Exit status 77 when every test was skipped, so that CTest reports a skip.
int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  const int failed = RUN_ALL_TESTS();
  const auto& tests = *::testing::UnitTest::GetInstance();
  if (failed == 0 && tests.skipped_test_count() > 0 && tests.successful_test_count() == 0) return 77;
  return failed;
}
