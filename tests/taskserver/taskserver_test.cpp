// The task-server stand-in, run as the separate program it is and spoken to
// over raw sockets on loopback.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/codepage.h"
#include "tests/support/task_server_process.h"

namespace {

using namespace std::chrono_literals;
using zelmora::testing::TaskServerProcess;

struct Reply {
  std::string bytes;
  bool reset = false;  // the connection ended with ECONNRESET
};

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd = -1) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(FileDescriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  FileDescriptor& operator=(FileDescriptor&& other) noexcept {
    std::swap(fd_, other.fd_);
    return *this;
  }
  int Get() const { return fd_; }

 private:
  int fd_;
};

FileDescriptor Connect(int port) {
  FileDescriptor fd(::socket(AF_INET, SOCK_STREAM, 0));
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(port));
  EXPECT_EQ(::connect(fd.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  return fd;
}

Reply ReadToEnd(int fd) {
  Reply reply;
  char buffer[4096];
  pollfd waiting{fd, POLLIN, 0};
  while (::poll(&waiting, 1, 5000) > 0) {
    ssize_t count = ::recv(fd, buffer, sizeof buffer, 0);
    if (count < 0) {
      reply.reset = errno == ECONNRESET;
      break;
    }
    if (count == 0) break;
    reply.bytes.append(buffer, static_cast<size_t>(count));
  }
  return reply;
}

Reply Get(int port, const std::string& target) {
  FileDescriptor fd = Connect(port);
  std::string request = "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";
  EXPECT_EQ(::send(fd.Get(), request.data(), request.size(), MSG_NOSIGNAL),
            static_cast<ssize_t>(request.size()));
  return ReadToEnd(fd.Get());
}

std::string BodyOf(const std::string& reply) {
  size_t end = reply.find("\r\n\r\n");
  return end == std::string::npos ? "" : reply.substr(end + 4);
}

size_t ContentLength(const std::string& reply) {
  size_t at = reply.find("Content-Length: ");
  return at == std::string::npos ? std::string::npos : std::stoul(reply.substr(at + 16));
}

std::vector<std::string> Fields(const std::string& body) {
  std::vector<std::string> fields;
  size_t start = 0;
  for (size_t bar; (bar = body.find('|', start)) != std::string::npos; start = bar + 1) {
    fields.push_back(body.substr(start, bar - start));
  }
  fields.push_back(body.substr(start));
  return fields;
}

constexpr const char* kCounter = "/tx.php?action=getnum&taskid=0&noteid=0&type1=1&type2=1&ip1=1&ip2=1";

TEST(TaskServer, AnnouncesItsPortAndAnswersTheCounterRequestInGbk) {
  TaskServerProcess server({});
  ASSERT_EQ(server.FirstLine(), "listening on 127.0.0.1:" + std::to_string(server.Port()));
  std::string reply = Get(server.Port(), kCounter).bytes;
  ASSERT_TRUE(reply.starts_with("HTTP/1.1 200 OK\r\n")) << reply;
  std::string body = BodyOf(reply);
  EXPECT_EQ(ContentLength(reply), body.size());
  auto fields = Fields(body);
  ASSERT_EQ(fields.size(), 4u) << body;
  EXPECT_EQ(fields[1], "1");
  EXPECT_EQ(fields[2], "1");
  EXPECT_TRUE(fields[3].starts_with("\xB9\xAB\xB8\xE6 #1: ")) << "公告 in GBK";
  EXPECT_TRUE(zelmora::platform::GbkToUtf8(fields[3]).starts_with("公告 #1: "));
  EXPECT_EQ(zelmora::platform::GbkToUtf8(fields[3]).find("\xEF\xBF\xBD"), std::string::npos);
}

TEST(TaskServer, NewTasksAndAnnouncementsAppearAtThePace) {
  TaskServerProcess server({"--task-every", "0.2", "--note-every", "0.3"});
  auto deadline = std::chrono::steady_clock::now() + 5s;
  std::vector<std::string> fields;
  do {
    std::this_thread::sleep_for(50ms);
    fields = Fields(BodyOf(Get(server.Port(), kCounter).bytes));
    ASSERT_EQ(fields.size(), 4u);
  } while ((fields[1] == "1" || fields[2] == "1") && std::chrono::steady_clock::now() < deadline);
  EXPECT_GT(std::stoi(fields[1]), 1);
  EXPECT_GT(std::stoi(fields[2]), 1);
  EXPECT_TRUE(zelmora::platform::GbkToUtf8(fields[3]).starts_with("公告 #" + fields[2] + ": "));
}

TEST(TaskServer, TaskPageEchoesWorkerTaskAndFilters) {
  TaskServerProcess server({});
  std::string reply = Get(server.Port(), "/tx.php?action=show&userid=A b 工<x>&taskid=7&type2=1&ip1=1").bytes;
  ASSERT_TRUE(reply.starts_with("HTTP/1.1 200 OK\r\n")) << reply;
  EXPECT_NE(reply.find("Content-Type: text/html; charset=UTF-8"), std::string::npos);
  std::string page = BodyOf(reply);
  EXPECT_EQ(ContentLength(reply), page.size());
  EXPECT_NE(page.find("<meta charset=\"UTF-8\">"), std::string::npos);
  EXPECT_NE(page.find("<span id=\"userid\">A b 工&lt;x&gt;</span>"), std::string::npos) << page;
  EXPECT_NE(page.find("<span id=\"taskid\">7</span>"), std::string::npos);
  EXPECT_NE(page.find("<span id=\"filters\">type2, ip1</span>"), std::string::npos);

  // A web view percent-encodes what the reminder sends raw.
  page = BodyOf(Get(server.Port(), "/tx.php?action=show&userid=A%20b%20%E5%B7%A5&taskid=0").bytes);
  EXPECT_NE(page.find("<span id=\"userid\">A b 工</span>"), std::string::npos) << page;
  EXPECT_NE(page.find("<span id=\"filters\">none</span>"), std::string::npos);

  EXPECT_TRUE(Get(server.Port(), "/other.php?action=getnum").bytes.starts_with("HTTP/1.1 404 "));
}

TEST(TaskServer, LogsEachRequestLine) {
  auto log =
      std::filesystem::temp_directory_path() / ("taskserver-test-" + std::to_string(::getpid()) + ".log");
  std::filesystem::remove(log);
  TaskServerProcess server({"--log", log.string()});
  Get(server.Port(), kCounter);
  Get(server.Port(), "/tx.php?action=show&userid=w 1&taskid=0");
  std::ifstream stream(log);
  std::string first, second;
  std::getline(stream, first);
  std::getline(stream, second);
  EXPECT_EQ(first, std::string("GET ") + kCounter + " HTTP/1.1");
  EXPECT_EQ(second, "GET /tx.php?action=show&userid=w 1&taskid=0 HTTP/1.1");
  std::filesystem::remove(log);
}

TEST(TaskServer, SilentConnectionsDoNotHoldUpOthersAndStopEndsThem) {
  TaskServerProcess server({});
  std::vector<FileDescriptor> idle;
  for (int i = 0; i < 20; ++i) idle.push_back(Connect(server.Port()));
  EXPECT_TRUE(Get(server.Port(), kCounter).bytes.starts_with("HTTP/1.1 200 OK"));
  EXPECT_EQ(server.Terminate(3s), 0);
}

TEST(TaskServer, InjectsTheFaultsItIsAskedFor) {
  {
    TaskServerProcess server({"--fault-rate", "1", "--faults", "cut"});
    std::string reply = Get(server.Port(), kCounter).bytes;
    ASSERT_TRUE(reply.starts_with("HTTP/1.1 200 OK"));
    EXPECT_LT(BodyOf(reply).size(), ContentLength(reply));
  }
  {
    TaskServerProcess server({"--fault-rate", "1", "--faults", "garbage"});
    std::string reply = Get(server.Port(), kCounter).bytes;
    EXPECT_FALSE(reply.empty());
    EXPECT_FALSE(reply.starts_with("HTTP/"));
  }
  {
    TaskServerProcess server({"--fault-rate", "1", "--faults", "reset"});
    Reply reply = Get(server.Port(), kCounter);
    EXPECT_TRUE(reply.reset);
    EXPECT_TRUE(reply.bytes.empty());
  }
  {
    TaskServerProcess server({"--fault-rate", "1", "--faults", "slow", "--slow-ms", "300"});
    auto start = std::chrono::steady_clock::now();
    std::string reply = Get(server.Port(), kCounter).bytes;
    EXPECT_GE(std::chrono::steady_clock::now() - start, 300ms);
    EXPECT_EQ(BodyOf(reply).size(), ContentLength(reply));
  }
}

TEST(TaskServer, RefusesABadCommandLine) {
  TaskServerProcess server({"--fault-rate", "2"});
  EXPECT_EQ(server.Terminate(3s), 2);
}

}  // namespace
