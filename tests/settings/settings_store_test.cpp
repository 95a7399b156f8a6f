// Loading the main window's settings from the registry and saving them back:
// defaults, verbatim texts, the exact "1" rule of the flags, and every
// failure path (wrong type, refused write, a value changing under a read).
#include "settings/settings_store.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <set>

#include "platform/system_posix/registry_hive_store.h"
#include "settings/registry_access.h"
#include "tests/settings/settings_test_support.h"
#include "tests/support/fake_desktop.h"
#include "tests/support/temporary_directory.h"

namespace zelmora::settings {
namespace {

using platform::Registry;
using platform::RegistryKey;
using platform::RegistryRoot;
using platform::RegistryStatus;
using platform::RegistryValueType;
using testing::Bytes;
using testing::MainWindowControls;
using testing::StringData;
using testing::TemporaryDirectory;

constexpr std::string_view kPath = "Software\\zelmora\\tixing";

// Passes calls through to a real store, refusing the ones a test names.
class FaultyRegistry final : public Registry {
 public:
  explicit FaultyRegistry(Registry& inner) : inner_(inner) {}
  std::set<std::string, std::less<>> refuseWrites;
  std::set<std::string, std::less<>> changeBeforeRead;  // the value grows between size query and read
  bool refuseCreate = false;
  std::vector<std::string> writes;

  RegistryStatus OpenKey(RegistryRoot root, std::string_view path, RegistryKey& key) override {
    return inner_.OpenKey(root, path, key);
  }
  RegistryStatus CreateKey(RegistryRoot root, std::string_view path, RegistryKey& key) override {
    return refuseCreate ? RegistryStatus::AccessDenied : inner_.CreateKey(root, path, key);
  }
  RegistryStatus QueryValue(RegistryKey key, std::string_view name, RegistryValueType* type, std::byte* data,
                            std::uint32_t* size) override {
    if (data && changeBeforeRead.contains(name)) {
      inner_.SetValue(key, name, RegistryValueType::String, StringData("grown much longer"));
    }
    return inner_.QueryValue(key, name, type, data, size);
  }
  RegistryStatus SetValue(RegistryKey key, std::string_view name, RegistryValueType type,
                          std::span<const std::byte> data) override {
    if (refuseWrites.contains(name)) return RegistryStatus::AccessDenied;
    writes.emplace_back(name);
    return inner_.SetValue(key, name, type, data);
  }
  RegistryStatus CloseKey(RegistryKey key) override { return inner_.CloseKey(key); }

 private:
  Registry& inner_;
};

class Settings : public ::testing::Test {
 protected:
  // Stores values the way another program (or an administrator) might.
  void Store(std::string_view name, RegistryValueType type, std::vector<std::byte> data) {
    RegistryKey key{};
    ASSERT_EQ(registry->CreateKey(RegistryRoot::LocalMachine, kPath, key), RegistryStatus::Success);
    ASSERT_EQ(registry->SetValue(key, name, type, data), RegistryStatus::Success);
    registry->CloseKey(key);
  }
  void StoreText(std::string_view name, std::string_view text) {
    Store(name, RegistryValueType::String, StringData(text));
  }
  std::optional<std::string> StoredText(std::string_view name) {
    auto value = testing::ReadStored(*registry, kPath, name);
    if (!value) return std::nullopt;
    EXPECT_EQ(value->type, RegistryValueType::String) << name;
    EXPECT_FALSE(value->data.empty()) << name;
    EXPECT_EQ(value->data.back(), std::byte{0}) << name << " lacks its zero byte";
    return std::string(reinterpret_cast<const char*>(value->data.data()), value->data.size() - 1);
  }
  MainWindowControls LoadFresh() {
    MainWindowControls controls;
    LoadSettings(*registry, controls.View());
    return controls;
  }

  TemporaryDirectory directory;
  std::unique_ptr<Registry> registry = platform::OpenHiveFileRegistry(directory.Path());
};

TEST_F(Settings, FirstRunShowsDefaultsAndFirstStartWritesAllSeven) {
  MainWindowControls controls = LoadFresh();
  EXPECT_EQ(controls.edt1.Text(), "ZM-");
  EXPECT_EQ(controls.edt2.Text(), "60");
  EXPECT_EQ(controls.edt3.Text(), "30");
  EXPECT_EQ(controls.Boxes(), std::vector<bool>(4, true));

  SaveSettings(*registry, controls.View());
  EXPECT_EQ(StoredText("userid"), "ZM-");
  EXPECT_EQ(StoredText("interval"), "60");
  EXPECT_EQ(StoredText("closetime"), "30");
  for (auto name : {"type1", "type2", "ip1", "ip2"}) EXPECT_EQ(StoredText(name), "1") << name;
}

TEST_F(Settings, SavedTextsAndFlagsComeBackAtTheNextStart) {
  MainWindowControls typed;
  typed.edt1.SetText("工号 07 \"A\\B\"");
  typed.edt2.SetText("abc");
  typed.edt3.SetText(" 5 ");
  typed.chktype1.SetChecked(false);
  typed.chkip2.SetChecked(false);
  SaveSettings(*registry, typed.View());
  EXPECT_EQ(StoredText("type1"), "0");

  MainWindowControls loaded = LoadFresh();
  EXPECT_EQ(loaded.edt1.Text(), "工号 07 \"A\\B\"");
  EXPECT_EQ(loaded.edt2.Text(), "abc");
  EXPECT_EQ(loaded.edt3.Text(), " 5 ");
  EXPECT_EQ(loaded.Boxes(), (std::vector<bool>{false, true, true, false}));
}

TEST_F(Settings, EmptiedEditsAreStoredEmptyAndPassedOverAtLoad) {
  MainWindowControls typed;
  typed.edt1.SetText("");
  typed.edt2.SetText("");
  typed.edt3.SetText("");
  SaveSettings(*registry, typed.View());
  EXPECT_EQ(testing::ReadStored(*registry, kPath, "userid")->data, StringData(""));

  MainWindowControls loaded = LoadFresh();
  EXPECT_EQ(loaded.edt1.Text(), "ZM-");
  EXPECT_EQ(loaded.edt2.Text(), "60");
  EXPECT_EQ(loaded.edt3.Text(), "30");
}

TEST_F(Settings, OnlyExactlyOneChecksABox) {
  for (std::string_view text : {"0", "true", "", " 1", "1 ", "01"}) {
    StoreText("type1", text);
    StoreText("type2", "1");
    MainWindowControls loaded = LoadFresh();
    EXPECT_FALSE(loaded.chktype1.Checked()) << "\"" << text << "\"";
    EXPECT_TRUE(loaded.chktype2.Checked());
  }
}

TEST_F(Settings, KeyWithoutValuesUnchecksEveryBoxAndKeepsEditDefaults) {
  RegistryKey key{};
  ASSERT_EQ(registry->CreateKey(RegistryRoot::LocalMachine, kPath, key), RegistryStatus::Success);
  registry->CloseKey(key);
  MainWindowControls loaded = LoadFresh();
  EXPECT_EQ(loaded.Boxes(), std::vector<bool>(4, false));
  EXPECT_EQ(loaded.edt1.Text(), "ZM-");
  EXPECT_EQ(loaded.edt2.Text(), "60");
  EXPECT_EQ(loaded.edt3.Text(), "30");
}

TEST_F(Settings, ExpandableStringLoadsAsStored) {
  Store("closetime", RegistryValueType::ExpandString, StringData("%HOME%"));
  EXPECT_EQ(LoadFresh().edt3.Text(), "%HOME%");
}

TEST_F(Settings, ZeroByteEndsTheText) {
  Store("userid", RegistryValueType::String, Bytes(std::string_view("ab\0cd\0", 6)));
  Store("interval", RegistryValueType::String, Bytes("15"));  // no terminating zero at all
  MainWindowControls loaded = LoadFresh();
  EXPECT_EQ(loaded.edt1.Text(), "ab");
  EXPECT_EQ(loaded.edt2.Text(), "15");
}

TEST_F(Settings, DwordIntervalStopsTheLoadThere) {
  StoreText("userid", "worker-7");
  Store("interval", RegistryValueType::Dword, Bytes(std::string_view("\x3c\0\0\0", 4)));
  StoreText("closetime", "99");
  StoreText("type1", "0");

  MainWindowControls controls;
  try {
    LoadSettings(*registry, controls.View());
    FAIL() << "no error raised";
  } catch (const ERegistryError& error) {
    EXPECT_STREQ(error.what(), "Invalid data type for 'interval'");
  }
  EXPECT_EQ(controls.edt1.Text(), "worker-7");
  EXPECT_EQ(controls.edt2.Text(), "60");
  EXPECT_EQ(controls.edt3.Text(), "30");
  EXPECT_EQ(controls.Boxes(), std::vector<bool>(4, true));
}

TEST_F(Settings, OtherTypesRaiseUnlessTheyHoldNoData) {
  for (auto type : {RegistryValueType::MultiString, RegistryValueType::Binary, RegistryValueType::None}) {
    Store("ip1", type, Bytes(std::string_view("1\0\0", 3)));
    MainWindowControls controls;
    EXPECT_THROW(LoadSettings(*registry, controls.View()), ERegistryError);
  }
  Store("userid", RegistryValueType::Dword, {});
  Store("ip1", RegistryValueType::Binary, {});
  MainWindowControls loaded = LoadFresh();
  EXPECT_EQ(loaded.edt1.Text(), "ZM-");
  EXPECT_FALSE(loaded.chkip1.Checked());
}

TEST_F(Settings, SaveTurnsAnyStoredTypeBackIntoAString) {
  Store("interval", RegistryValueType::Dword, Bytes(std::string_view("\x3c\0\0\0", 4)));
  MainWindowControls controls;
  SaveSettings(*registry, controls.View());
  EXPECT_EQ(StoredText("interval"), "60");
  EXPECT_EQ(LoadFresh().edt2.Text(), "60");
}

TEST_F(Settings, ValueGrowingBetweenTheTwoQueriesFailsTheRead) {
  StoreText("userid", "a");
  StoreText("interval", "5");
  FaultyRegistry faulty(*registry);
  faulty.changeBeforeRead.insert("interval");
  MainWindowControls controls;
  try {
    LoadSettings(faulty, controls.View());
    FAIL() << "no error raised";
  } catch (const ERegistryError& error) {
    EXPECT_STREQ(error.what(), "Failed to get data for 'interval'");
  }
  EXPECT_EQ(controls.edt1.Text(), "a");
  EXPECT_EQ(controls.edt2.Text(), "60");
}

TEST_F(Settings, RefusedWriteStopsTheSaveThere) {
  FaultyRegistry faulty(*registry);
  faulty.refuseWrites.insert("closetime");
  MainWindowControls controls;
  controls.edt1.SetText("new worker");
  try {
    SaveSettings(faulty, controls.View());
    FAIL() << "no error raised";
  } catch (const ERegistryError& error) {
    EXPECT_STREQ(error.what(), "Failed to set data for 'closetime'");
  }
  EXPECT_EQ(faulty.writes, (std::vector<std::string>{"userid", "interval"}));
  EXPECT_EQ(StoredText("userid"), "new worker");
  EXPECT_FALSE(testing::ReadStored(*registry, kPath, "closetime"));
  EXPECT_FALSE(testing::ReadStored(*registry, kPath, "type1"));
}

TEST_F(Settings, KeyThatCannotBeCreatedSavesNothingQuietly) {
  FaultyRegistry faulty(*registry);
  faulty.refuseCreate = true;
  MainWindowControls controls;
  EXPECT_NO_THROW(SaveSettings(faulty, controls.View()));
  EXPECT_TRUE(faulty.writes.empty());
}

TEST_F(Settings, DamagedHiveShowsDefaultsAndTheNextStartSavesAgain) {
  StoreText("userid", "old");
  const std::string damaged = "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\zelmora\\tixing]\n\"userid\"=\"ol";
  testing::WriteFile(directory.Path() / "HKLM.reg", damaged);

  MainWindowControls controls;
  EXPECT_NO_THROW(LoadSettings(*registry, controls.View()));
  EXPECT_EQ(controls.edt1.Text(), "ZM-");
  EXPECT_EQ(controls.Boxes(), std::vector<bool>(4, true));

  controls.edt1.SetText("fresh");
  SaveSettings(*registry, controls.View());
  EXPECT_EQ(LoadFresh().edt1.Text(), "fresh");
  int kept = 0;
  for (const auto& entry : std::filesystem::directory_iterator(directory.Path())) {
    if (entry.path().filename().string().starts_with("HKLM.reg.damaged-")) {
      ++kept;
      EXPECT_EQ(testing::ReadFile(entry.path()), damaged);
    }
  }
  EXPECT_EQ(kept, 1);
}

// A configuration directory this user may not write: the stored settings
// still load, and Start saves nothing without complaint. Root writes
// anywhere, so the check runs in a child that gives up root first.
TEST_F(Settings, ReadOnlyConfigurationDirectoryLoadsButSavesNothing) {
  auto store = directory.Path() / "zelmora";
  {
    auto registry = platform::OpenHiveFileRegistry(store);
    MainWindowControls typed;
    typed.edt1.SetText("stored");
    SaveSettings(*registry, typed.View());
  }
  const std::string before = testing::ReadFile(store / "HKLM.reg");
  ::chmod(directory.Path().c_str(), 0755);
  ::chmod(store.c_str(), 0555);

  EXPECT_EXIT(
      {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) {
          std::fprintf(stderr, "cannot drop root\n");
          std::_Exit(2);
        }
        auto registry = platform::OpenHiveFileRegistry(store);
        MainWindowControls controls;
        LoadSettings(*registry, controls.View());
        if (controls.edt1.Text() != "stored") {
          std::fprintf(stderr, "load showed '%s'\n", controls.edt1.Text().c_str());
          std::_Exit(1);
        }
        controls.edt1.SetText("changed");
        try {
          SaveSettings(*registry, controls.View());
        } catch (const std::exception& error) {
          std::fprintf(stderr, "save raised: %s\n", error.what());
          std::_Exit(1);
        }
        std::_Exit(0);
      },
      ::testing::ExitedWithCode(0), "");
  EXPECT_EQ(testing::ReadFile(store / "HKLM.reg"), before);
  ::chmod(store.c_str(), 0755);
}

TEST(RegistryAccess, FailedOpenKeepsTheKeyOpenBefore) {
  TemporaryDirectory directory;
  auto registry = platform::OpenHiveFileRegistry(directory.Path());
  TRegistryAccess access(*registry);
  EXPECT_EQ(access.RootKey(), RegistryRoot::CurrentUser);
  access.SetRootKey(RegistryRoot::LocalMachine);
  ASSERT_TRUE(access.OpenKey(kPath, true));
  access.WriteString("userid", "x");
  EXPECT_FALSE(access.OpenKey("Software\\absent", false));
  EXPECT_EQ(access.CurrentPath(), kPath);
  EXPECT_EQ(access.ReadString("userid"), "x");

  access.SetRootKey(RegistryRoot::CurrentUser);
  EXPECT_EQ(access.CurrentPath(), "");
  EXPECT_EQ(access.ReadString("userid"), "");
  EXPECT_THROW(access.WriteString("userid", "y"), ERegistryError);
}

}  // namespace
}  // namespace zelmora::settings
