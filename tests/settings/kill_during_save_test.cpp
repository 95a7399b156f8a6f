// A save killed at any moment leaves a hive that reads back whole: every value
// is some save's complete text, and never a damaged file.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <thread>

#include "platform/system_posix/registry_hive_store.h"
#include "settings/settings_store.h"
#include "tests/settings/settings_test_support.h"
#include "tests/support/fake_desktop.h"
#include "tests/support/temporary_directory.h"

namespace zelmora::settings {
namespace {

using testing::FakeControl;

constexpr int kTrials = 120;
constexpr int kMaxKillDelayMicroseconds = 60'000;  // a save of seven values takes a few milliseconds
// Long texts make each write take longer, so kills land inside writes too.
const std::string kPadding(3000, '#');

std::string EditText(long round, std::string_view field) {
  return std::to_string(round) + ":" + std::string(field) + ":" + kPadding;
}

// Saves forever, each save with its own round number; never returns.
[[noreturn]] void SaveInALoop(const std::filesystem::path& directory, long firstRound) {
  auto registry = platform::OpenHiveFileRegistry(directory);
  FakeControl edt1, edt2, edt3, chktype1, chktype2, chkip1, chkip2;
  SettingsControls controls{edt1, edt2, edt3, chktype1, chktype2, chkip1, chkip2};
  for (long round = firstRound;; ++round) {
    edt1.SetText(EditText(round, "userid"));
    edt2.SetText(EditText(round, "interval"));
    edt3.SetText(EditText(round, "closetime"));
    for (auto* box : {&chktype1, &chktype2, &chkip1, &chkip2}) box->SetChecked(round % 2 == 0);
    SaveSettings(*registry, controls);
  }
}

// The round a stored edit text belongs to, or -1 when the text is not whole.
long RoundOf(const std::string& text, std::string_view field) {
  size_t colon = text.find(':');
  if (colon == std::string::npos) return -1;
  long round = std::stol(text.substr(0, colon));
  return text == EditText(round, field) ? round : -1;
}

TEST(KillDuringSave, NeverLeavesATornHive) {
  testing::TemporaryDirectory directory;
  std::mt19937 random(std::random_device{}());
  std::uniform_int_distribution<int> delay(0, kMaxKillDelayMicroseconds);
  bool everSaved = false;

  for (int trial = 0; trial < kTrials; ++trial) {
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) SaveInALoop(directory.Path(), (trial + 1) * 1'000'000L);
    std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
    ::kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the saving child ended by itself";

    auto registry = platform::OpenHiveFileRegistry(directory.Path());
    FakeControl edt1("none"), edt2("none"), edt3("none"), box1, box2, box3, box4;
    LoadSettings(*registry, {edt1, edt2, edt3, box1, box2, box3, box4});
    if (edt1.Text() == "none") {
      // Killed before the first save of all: then there is no hive either.
      ASSERT_FALSE(everSaved) << "trial " << trial << ": a saved hive no longer opens";
      continue;
    }
    everSaved = true;
    long rounds[] = {RoundOf(edt1.Text(), "userid"), RoundOf(edt2.Text(), "interval"),
                     RoundOf(edt3.Text(), "closetime")};
    // Values are written in order, so later ones may lag behind by one save,
    // or still hold the first save's defaults when that save was cut short.
    EXPECT_GE(rounds[0], 0) << "trial " << trial;
    if (edt2.Text() != "none") {
      EXPECT_GE(rounds[1], 0) << "trial " << trial;
    }
    if (edt3.Text() != "none") {
      EXPECT_GE(rounds[2], 0) << "trial " << trial;
    }
    EXPECT_GE(rounds[0], rounds[1]) << "trial " << trial;
    EXPECT_GE(rounds[1], rounds[2]) << "trial " << trial;
  }
  EXPECT_TRUE(everSaved) << "no trial lived long enough to save";
  for (const auto& entry : std::filesystem::directory_iterator(directory.Path())) {
    EXPECT_EQ(entry.path().filename().string().find("damaged"), std::string::npos) << entry.path();
  }
}

}  // namespace
}  // namespace zelmora::settings
