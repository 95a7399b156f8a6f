#include "core/log_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <regex>
#include <set>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

namespace zelmora {
namespace {

namespace fs = std::filesystem;

// A scratch directory that works on every system the tests run on (Wine included).
class LogFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    directory = fs::temp_directory_path() / ("zelmora-log-test-" + std::to_string(std::random_device{}()));
    fs::create_directories(directory);
    path = directory / "state" / "zelmora.log";
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(directory, ignored);
  }
  static std::vector<std::string> Lines(const fs::path& file) {
    std::ifstream stream(file, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(stream, line);) lines.push_back(line);
    return lines;
  }
  // The text of a logged line, after its time stamp.
  static std::string Text(const std::string& line) { return line.substr(line.find(' ', 11) + 1); }

  fs::path directory;
  fs::path path;
};

TEST_F(LogFileTest, EachEventIsOneStampedLineOnDiskAsSoonAsItIsWritten) {
  LogFile log(path.string());
  log.Write("poll failed: Socket Error # 10061\r\nConnection refused.\nagain\x1B[2J\xE2\x80\xAE!");
  log.Flush();
  // Read while the log is still open: nothing waits in a buffer of ours.
  const std::vector<std::string> lines = Lines(path);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_TRUE(std::regex_match(lines[0], std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} .*)")))
      << lines[0];
  // Nor does a terminal showing it act on what it quotes.
  EXPECT_EQ(Text(lines[0]), "poll failed: Socket Error # 10061 Connection refused. again [2J !");
}

TEST_F(LogFileTest, PastTheCapTheFileMovesAsideAndOnlyTheNewestTwoCapsAreKept) {
  constexpr std::uintmax_t kCap = 1000;
  {
    LogFile log(path.string(), kCap);
    for (int i = 0; i < 100; ++i) log.Write("line " + std::to_string(1000 + i) + std::string(20, '.'));
  }
  fs::path older = path;
  older += ".1";
  EXPECT_LE(fs::file_size(path), kCap);
  EXPECT_LE(fs::file_size(older), kCap);
  EXPECT_FALSE(fs::exists(fs::path(path) += ".2"));

  // The older file and the current one hold an unbroken run of the newest lines.
  std::vector<std::string> kept = Lines(older);
  for (const std::string& line : Lines(path)) kept.push_back(line);
  ASSERT_GE(kept.size(), 20u);
  for (std::size_t i = 0; i < kept.size(); ++i) {
    EXPECT_EQ(Text(kept[kept.size() - 1 - i]).substr(0, 9), "line " + std::to_string(1099 - i));
  }
}

TEST_F(LogFileTest, AnEarlierRunsLogIsContinuedAndCountsTowardsTheCap) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << std::string(980, 'x') << '\n';
  {
    LogFile log(path.string(), 1000);
    log.Write("started");
  }
  fs::path older = path;
  older += ".1";
  EXPECT_EQ(fs::file_size(older), 981u);
  ASSERT_EQ(Lines(path).size(), 1u);
  EXPECT_EQ(Text(Lines(path)[0]), "started");
}

TEST_F(LogFileTest, APlaceThatCannotBeWrittenCostsTheProgramNothing) {
  std::ofstream(directory / "blocker") << "a file where the log's folder should be";
  LogFile log((directory / "blocker" / "zelmora.log").string());
  log.Write("lost");
  log.Flush();
  EXPECT_FALSE(fs::exists(directory / "blocker" / "zelmora.log"));
}

TEST_F(LogFileTest, LinesFromManyThreadsArriveWholeAndNoneIsLost) {
  constexpr int kThreads = 4;
  constexpr int kLinesEach = 200;
  {
    LogFile log(path.string());
    std::vector<std::thread> writers;
    for (int t = 0; t < kThreads; ++t) {
      writers.emplace_back([&log, t] {
        for (int i = 0; i < kLinesEach; ++i)
          log.Write("thread " + std::to_string(t) + " line " + std::to_string(i));
      });
    }
    for (std::thread& writer : writers) writer.join();
  }
  std::set<std::string> texts;
  for (const std::string& line : Lines(path)) texts.insert(Text(line));
  EXPECT_EQ(texts.size(), static_cast<std::size_t>(kThreads * kLinesEach));
  EXPECT_TRUE(texts.contains("thread 3 line 199"));
}

// Two reminders of one user on two displays write one log. Each moves the log
// aside only by the file's real size and under the shared lock, so neither
// replaces the other's lines nor writes on into the file the other moved away.
TEST_F(LogFileTest, TwoLogsOnOneFileKeepTheNewestLinesOfBothUnderTheCap) {
  constexpr std::uintmax_t kCap = 2000;
  constexpr int kLinesEach = 60;
  {
    LogFile first(path.string(), kCap);
    LogFile second(path.string(), kCap);
    std::thread other([&second] {
      for (int i = 0; i < kLinesEach; ++i)
        second.Write("second " + std::to_string(100 + i) + std::string(9, '.'));
    });
    for (int i = 0; i < kLinesEach; ++i)
      first.Write("first " + std::to_string(100 + i) + std::string(10, '.'));
    other.join();
  }
  fs::path older = path;
  older += ".1";
  EXPECT_LE(fs::file_size(path), kCap);
  EXPECT_LE(fs::file_size(older), kCap);
  EXPECT_GT(fs::file_size(older) + fs::file_size(path), kCap) << "a whole cap of history is kept";

  // Of each log, an unbroken run up to its last line.
  std::vector<std::string> kept = Lines(older);
  for (const std::string& line : Lines(path)) kept.push_back(line);
  for (const std::string writer : {"first ", "second "}) {
    std::vector<int> numbers;
    for (const std::string& line : kept) {
      const std::string text = Text(line);
      ASSERT_TRUE(std::regex_match(text, std::regex(R"((first|second) \d{3}\.+)"))) << line;
      if (text.starts_with(writer)) numbers.push_back(std::stoi(text.substr(writer.size(), 3)));
    }
    ASSERT_FALSE(numbers.empty()) << writer;
    for (std::size_t i = 0; i < numbers.size(); ++i)
      EXPECT_EQ(numbers[numbers.size() - 1 - i], 100 + kLinesEach - 1 - static_cast<int>(i)) << writer;
  }
}

}  // namespace
}  // namespace zelmora
