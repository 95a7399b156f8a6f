// The log on a disk that fills up: a real tmpfs of two pages, mounted here
// (root only; skipped elsewhere).
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "core/log_file.h"
#include "tests/support/temporary_directory.h"

namespace zelmora {
namespace {

namespace fs = std::filesystem;

class SmallDisk {
 public:
  explicit SmallDisk(const fs::path& where) : where_(where) {
    mounted_ = ::geteuid() == 0 && ::mount("tmpfs", where.c_str(), "tmpfs", 0, "size=8k") == 0;
  }
  ~SmallDisk() {
    if (mounted_) ::umount2(where_.c_str(), MNT_DETACH);
  }
  SmallDisk(const SmallDisk&) = delete;
  SmallDisk& operator=(const SmallDisk&) = delete;
  bool Mounted() const { return mounted_; }

 private:
  fs::path where_;
  bool mounted_ = false;
};

TEST(LogOnAFullDisk, NoLineIsTornAndTheLinesLeftOutAreNotedOnceThereIsRoomAgain) {
  testing::TemporaryDirectory directory;
  SmallDisk disk(directory.Path());
  if (!disk.Mounted()) GTEST_SKIP() << "cannot mount a tmpfs here (needs root)";
  // One of the two pages is taken, the log gets the other.
  const fs::path filler = directory.Path() / "filler";
  std::ofstream(filler, std::ios::binary) << std::string(4096, 'x');
  const fs::path path = directory.Path() / "zelmora.log";

  constexpr int kLines = 50;  // 100 bytes each: about 40 fit
  LogFile log(path.string());
  for (int i = 0; i < kLines; ++i) log.Write("line " + std::to_string(100 + i) + std::string(67, '.'));
  log.Flush();
  fs::remove(filler);
  log.Write("room again");
  log.Flush();

  std::ifstream file(path, std::ios::binary);
  std::vector<std::string> lines;
  for (std::string line; std::getline(file, line);) lines.push_back(line.substr(24));  // after the time stamp
  ASSERT_GE(lines.size(), 3u);
  const int written = static_cast<int>(lines.size()) - 2;
  ASSERT_LT(written, kLines) << "the disk never filled";
  for (int i = 0; i < written; ++i)
    EXPECT_EQ(lines[i], "line " + std::to_string(100 + i) + std::string(67, '.'));
  EXPECT_EQ(lines[written], std::to_string(kLines - written) + " lines could not be written");
  EXPECT_EQ(lines[written + 1], "room again");
}

}  // namespace
}  // namespace zelmora
