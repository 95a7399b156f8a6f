// The registry functions over hive files: the advapi32 contract the settings
// store relies on, and the file's safety (whole writes, damaged hives kept).
#include <gtest/gtest.h>

#include "platform/system_posix/registry_hive_store.h"
#include "tests/settings/settings_test_support.h"
#include "tests/support/temporary_directory.h"

namespace zelmora::platform {
namespace {

using testing::ReadFile;
using testing::StringData;
using testing::TemporaryDirectory;
using testing::WriteFile;

constexpr std::string_view kPath = "Software\\zelmora\\tixing";

class HiveStore : public ::testing::Test {
 protected:
  std::filesystem::path HiveFile() const { return directory.Path() / "HKLM.reg"; }

  RegistryKey Create(std::string_view path = kPath) {
    RegistryKey key{};
    EXPECT_EQ(registry->CreateKey(RegistryRoot::LocalMachine, path, key), RegistryStatus::Success);
    return key;
  }

  std::vector<std::filesystem::path> DamagedCopies() const {
    std::vector<std::filesystem::path> found;
    for (const auto& entry : std::filesystem::directory_iterator(directory.Path())) {
      if (entry.path().filename().string().starts_with("HKLM.reg.damaged-")) found.push_back(entry.path());
    }
    return found;
  }

  TemporaryDirectory directory;
  std::unique_ptr<Registry> registry = OpenHiveFileRegistry(directory.Path());
};

TEST_F(HiveStore, MissingKeysAndValuesAreNotFound) {
  RegistryKey key{};
  EXPECT_EQ(registry->OpenKey(RegistryRoot::LocalMachine, kPath, key), RegistryStatus::FileNotFound);
  EXPECT_FALSE(std::filesystem::exists(HiveFile())) << "opening must not create anything";

  key = Create();
  std::uint32_t size = 0;
  EXPECT_EQ(registry->QueryValue(key, "userid", nullptr, nullptr, &size), RegistryStatus::FileNotFound);
  RegistryKey parent{};
  EXPECT_EQ(registry->OpenKey(RegistryRoot::LocalMachine, "software\\ZELMORA", parent),
            RegistryStatus::Success);
  EXPECT_EQ(registry->OpenKey(RegistryRoot::CurrentUser, kPath, key), RegistryStatus::FileNotFound);
  EXPECT_EQ(registry->CloseKey(parent), RegistryStatus::Success);
  EXPECT_EQ(registry->CloseKey(parent), RegistryStatus::InvalidHandle);
}

TEST_F(HiveStore, QueryReportsSizeFirstThenFillsABufferLargeEnough) {
  RegistryKey key = Create();
  auto data = StringData("abc");
  ASSERT_EQ(registry->SetValue(key, "userid", RegistryValueType::String, data), RegistryStatus::Success);

  RegistryValueType type{};
  std::uint32_t size = 0;
  ASSERT_EQ(registry->QueryValue(key, "USERID", &type, nullptr, &size), RegistryStatus::Success);
  EXPECT_EQ(type, RegistryValueType::String);
  EXPECT_EQ(size, 4u);

  std::byte small[2];
  size = sizeof small;
  EXPECT_EQ(registry->QueryValue(key, "userid", &type, small, &size), RegistryStatus::MoreData);
  EXPECT_EQ(size, 4u);

  std::vector<std::byte> buffer(10);
  size = static_cast<std::uint32_t>(buffer.size());
  ASSERT_EQ(registry->QueryValue(key, "userid", &type, buffer.data(), &size), RegistryStatus::Success);
  buffer.resize(size);
  EXPECT_EQ(buffer, data);
}

TEST_F(HiveStore, SetValueReplacesDataAndTypeAndSurvivesReopening) {
  RegistryKey key = Create();
  ASSERT_EQ(registry->SetValue(key, "interval", RegistryValueType::Dword, testing::Bytes("\x3c\x01\x02\x03")),
            RegistryStatus::Success);
  ASSERT_EQ(registry->SetValue(key, "Interval", RegistryValueType::String, StringData("60")),
            RegistryStatus::Success);
  auto reopened = OpenHiveFileRegistry(directory.Path());
  auto stored = testing::ReadStored(*reopened, kPath, "interval");
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->type, RegistryValueType::String);
  EXPECT_EQ(stored->data, StringData("60"));
  EXPECT_EQ(ReadFile(HiveFile()).find("dword"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(directory.Path() / "HKLM.reg.tmp"));
}

TEST_F(HiveStore, ValuesReadTheFileAsItIsNow) {
  // Another writer (or a second instance) between two queries is seen.
  RegistryKey key = Create();
  ASSERT_EQ(registry->SetValue(key, "userid", RegistryValueType::String, StringData("a")),
            RegistryStatus::Success);
  auto other = OpenHiveFileRegistry(directory.Path());
  RegistryKey otherKey{};
  ASSERT_EQ(other->OpenKey(RegistryRoot::LocalMachine, kPath, otherKey), RegistryStatus::Success);
  ASSERT_EQ(other->SetValue(otherKey, "userid", RegistryValueType::String, StringData("longer")),
            RegistryStatus::Success);
  std::byte buffer[2];
  std::uint32_t size = sizeof buffer;
  EXPECT_EQ(registry->QueryValue(key, "userid", nullptr, buffer, &size), RegistryStatus::MoreData);

  std::filesystem::remove(HiveFile());
  EXPECT_EQ(registry->QueryValue(key, "userid", nullptr, nullptr, &size), RegistryStatus::KeyDeleted);
  EXPECT_EQ(registry->SetValue(key, "userid", RegistryValueType::String, StringData("x")),
            RegistryStatus::KeyDeleted);
}

TEST_F(HiveStore, DamagedHiveOpensAsNoKeyAndIsKeptWhenANewOneIsWritten) {
  const std::string damaged =
      "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\zelmora\\tixing]\n\"userid\"=\"ZM-12";
  WriteFile(HiveFile(), damaged);

  RegistryKey key{};
  EXPECT_EQ(registry->OpenKey(RegistryRoot::LocalMachine, kPath, key), RegistryStatus::RegistryCorrupt);
  EXPECT_EQ(ReadFile(HiveFile()), damaged) << "reading must leave the damaged file alone";

  key = Create();
  ASSERT_EQ(registry->SetValue(key, "userid", RegistryValueType::String, StringData("ZM-1")),
            RegistryStatus::Success);
  auto copies = DamagedCopies();
  ASSERT_EQ(copies.size(), 1u);
  EXPECT_EQ(ReadFile(copies[0]), damaged);
  EXPECT_EQ(testing::ReadStored(*registry, kPath, "userid")->data, StringData("ZM-1"));

  // A second damage in the same second gets a name of its own.
  WriteFile(HiveFile(), "junk");
  Create();
  EXPECT_EQ(DamagedCopies().size(), 2u);
}

TEST_F(HiveStore, AnOpenKeyNeverWritesOverAHiveDamagedUnderIt) {
  RegistryKey key = Create();
  WriteFile(HiveFile(), "junk");
  EXPECT_EQ(registry->SetValue(key, "userid", RegistryValueType::String, StringData("x")),
            RegistryStatus::RegistryCorrupt);
  EXPECT_EQ(ReadFile(HiveFile()), "junk");
}

TEST_F(HiveStore, RefusesBadNamesAndHandles) {
  RegistryKey key{};
  EXPECT_EQ(registry->CreateKey(RegistryRoot::LocalMachine, "a\\\\b", key), RegistryStatus::InvalidParameter);
  EXPECT_EQ(registry->CreateKey(RegistryRoot::LocalMachine, "a]\n[b", key), RegistryStatus::InvalidParameter);
  key = Create();
  EXPECT_EQ(registry->SetValue(key, "a\nb", RegistryValueType::String, StringData("x")),
            RegistryStatus::InvalidParameter);
  EXPECT_EQ(registry->SetValue(RegistryKey{12345}, "a", RegistryValueType::String, StringData("x")),
            RegistryStatus::InvalidHandle);
  std::uint32_t size = 0;
  EXPECT_EQ(registry->QueryValue(RegistryKey::None, "a", nullptr, nullptr, &size),
            RegistryStatus::InvalidHandle);
}

TEST_F(HiveStore, RootsKeepSeparateFiles) {
  RegistryKey user{};
  ASSERT_EQ(registry->CreateKey(RegistryRoot::CurrentUser, kPath, user), RegistryStatus::Success);
  EXPECT_TRUE(std::filesystem::exists(directory.Path() / "HKCU.reg"));
  EXPECT_FALSE(std::filesystem::exists(HiveFile()));
  EXPECT_NE(ReadFile(directory.Path() / "HKCU.reg").find("[HKEY_CURRENT_USER\\Software]"), std::string::npos);
}

TEST_F(HiveStore, CreatesTheConfigurationDirectoryWhenMissing) {
  auto nested = OpenHiveFileRegistry(directory.Path() / "config" / "zelmora");
  RegistryKey key{};
  ASSERT_EQ(nested->CreateKey(RegistryRoot::LocalMachine, kPath, key), RegistryStatus::Success);
  EXPECT_TRUE(std::filesystem::exists(directory.Path() / "config" / "zelmora" / "HKLM.reg"));
}

TEST(SystemRegistry, LivesInTheXdgConfigurationDirectory) {
  TemporaryDirectory directory;
  const char* saved = std::getenv("XDG_CONFIG_HOME");
  std::string previous = saved ? saved : "";
  ::setenv("XDG_CONFIG_HOME", directory.Path().c_str(), 1);
  auto registry = OpenSystemRegistry();
  RegistryKey key{};
  EXPECT_EQ(registry->CreateKey(RegistryRoot::LocalMachine, kPath, key), RegistryStatus::Success);
  EXPECT_TRUE(std::filesystem::exists(directory.Path() / "zelmora" / "HKLM.reg"));
  if (saved) {
    ::setenv("XDG_CONFIG_HOME", previous.c_str(), 1);
  } else {
    ::unsetenv("XDG_CONFIG_HOME");
  }
}

}  // namespace
}  // namespace zelmora::platform
