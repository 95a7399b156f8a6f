// The reminder's per-user choices on Linux: the new-task sound in the HKCU
// hive, and start at login as a freedesktop autostart entry.
#include <gtest/gtest.h>

#include "core/error.h"
#include "platform/system_posix/desktop_entry_autostart.h"
#include "platform/system_posix/registry_hive_store.h"
#include "settings/user_settings.h"
#include "tests/settings/settings_test_support.h"
#include "tests/support/temporary_directory.h"

namespace zelmora::testing {
namespace {

namespace fs = std::filesystem;

TEST(NewTaskSoundChoice, OffUntilSwitchedOnAndKeptPerUserApartFromTheMachineSettings) {
  TemporaryDirectory directory;
  auto registry = platform::OpenHiveFileRegistry(directory.Path());
  EXPECT_FALSE(settings::LoadNewTaskSound(*registry));
  settings::SaveNewTaskSound(*registry, true);
  EXPECT_TRUE(settings::LoadNewTaskSound(*platform::OpenHiveFileRegistry(directory.Path())));
  EXPECT_NE(ReadFile(directory.Path() / "HKCU.reg").find("[HKEY_CURRENT_USER\\Software\\zelmora\\reminder]"),
            std::string::npos);
  EXPECT_FALSE(fs::exists(directory.Path() / "HKLM.reg")) << "the seven machine-wide values stay untouched";
  settings::SaveNewTaskSound(*registry, false);
  EXPECT_FALSE(settings::LoadNewTaskSound(*registry));
}

class DesktopEntryAutostartTest : public ::testing::Test {
 protected:
  fs::path Entry() const { return directory.Path() / "autostart" / "zelmora.desktop"; }
  std::unique_ptr<platform::StartAtLogin> Open(const fs::path& program = "/opt/zelmora/bin/zelmora") {
    return platform::OpenDesktopEntryAutostart(directory.Path() / "autostart", program,
                                               "--minimized --start");
  }
  TemporaryDirectory directory;
};

TEST_F(DesktopEntryAutostartTest, SwitchingOnWritesAnEntryRunningThisProgramAndOffRemovesIt) {
  auto startAtLogin = Open();
  EXPECT_FALSE(startAtLogin->IsOn());
  startAtLogin->Set(true);
  EXPECT_TRUE(startAtLogin->IsOn());
  const std::string entry = ReadFile(Entry());
  EXPECT_TRUE(entry.starts_with("[Desktop Entry]\n")) << entry;
  EXPECT_NE(entry.find("\nType=Application\n"), std::string::npos) << entry;
  EXPECT_NE(entry.find("\nExec=\"/opt/zelmora/bin/zelmora\" --minimized --start\n"), std::string::npos)
      << entry;
  EXPECT_FALSE(fs::exists(fs::path(Entry()) += ".new"));

  startAtLogin->Set(false);
  EXPECT_FALSE(startAtLogin->IsOn());
  EXPECT_FALSE(fs::exists(Entry()));
  startAtLogin->Set(false);  // already off: nothing to complain about
}

TEST_F(DesktopEntryAutostartTest, AnEntrySwitchedOffByTheDesktopCountsAsOff) {
  fs::create_directories(Entry().parent_path());
  WriteFile(Entry(), "[Desktop Entry]\nType=Application\nExec=zelmora\nHidden=true\n");
  EXPECT_FALSE(Open()->IsOn());
  WriteFile(Entry(), "[Desktop Entry]\nExec=zelmora\nX-GNOME-Autostart-enabled=false\n");
  EXPECT_FALSE(Open()->IsOn());
  WriteFile(Entry(), "[Desktop Entry]\nExec=/opt/zelmora/bin/zelmora\n[Desktop Action x]\nHidden=true\n");
  EXPECT_TRUE(Open()->IsOn()) << "only the main group counts";
}

TEST_F(DesktopEntryAutostartTest, OnlyAnEntryStartingThisProgramCountsAsOnAndSwitchingOnRewritesAnother) {
  fs::create_directories(Entry().parent_path());
  WriteFile(Entry(), "[Desktop Entry]\nExec=\"/home/me/old zelmora/zelmora\" --minimized --start\n");
  auto startAtLogin = Open();
  EXPECT_FALSE(startAtLogin->IsOn()) << "an older copy elsewhere";
  startAtLogin->Set(true);
  EXPECT_TRUE(startAtLogin->IsOn());
  EXPECT_NE(ReadFile(Entry()).find("\nExec=\"/opt/zelmora/bin/zelmora\" --minimized --start\n"),
            std::string::npos);

  // The same program by another name (a link to it).
  const fs::path program = directory.Path() / "zelmora";
  WriteFile(program, "");
  fs::create_symlink(program, directory.Path() / "link");
  WriteFile(Entry(), "[Desktop Entry]\nExec=" + (directory.Path() / "link").string() + "\n");
  EXPECT_TRUE(Open(program)->IsOn());
  WriteFile(Entry(), "[Desktop Entry]\nType=Application\n");
  EXPECT_FALSE(Open(program)->IsOn()) << "no Exec line";
}

TEST_F(DesktopEntryAutostartTest, AnEntryThatCannotBeWrittenIsReportedWithWhereAndWhy) {
  WriteFile(directory.Path() / "autostart", "a file where the folder should be");
  try {
    Open()->Set(true);
    ADD_FAILURE() << "no error";
  } catch (const Error& failure) {
    const std::string text = failure.what();
    EXPECT_TRUE(
        text.starts_with("Cannot create the folder of the autostart entry " + Entry().string() + ": "))
        << text;
  }
}

TEST(DesktopEntryExec, PathsAreQuotedAndEscapedByTheDesktopEntryRules) {
  EXPECT_EQ(platform::DesktopEntryExecArgument("/usr/bin/zelmora"), "\"/usr/bin/zelmora\"");
  EXPECT_EQ(platform::DesktopEntryExecArgument("/home/王 五/bin/zelmora"), "\"/home/王 五/bin/zelmora\"");
  // Inside quotes: \" \` \$ \\ ; then every backslash once more as a string value.
  EXPECT_EQ(platform::DesktopEntryExecArgument("/a\"b`c$d\\e"), R"("/a\\"b\\`c\\$d\\\\e")");
  EXPECT_EQ(platform::DesktopEntryExecArgument("/100%/zelmora"), "\"/100%%/zelmora\"");
  EXPECT_THROW(platform::DesktopEntryExecArgument("/a\nb"), Error);
  // What is written reads back as the same path.
  for (const std::string path : {"/usr/bin/zelmora", "/home/王 五/bin/zelmora", "/a\"b`c$d\\e", "/100%/z"})
    EXPECT_EQ(platform::DesktopEntryExecProgram(platform::DesktopEntryExecArgument(path) + " --start"), path);
  EXPECT_EQ(platform::DesktopEntryExecProgram("/usr/bin/zelmora --start"), "/usr/bin/zelmora");
}

}  // namespace
}  // namespace zelmora::testing
