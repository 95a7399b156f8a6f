// The settings of a user who may not change the machine-wide key: saved into
// their VirtualStore copy and loaded back from it, while an administrator's
// machine-wide key stays as the administrator left it.
#include <gtest/gtest.h>

#include "platform/system_posix/registry_hive_store.h"
#include "platform/system_windows/virtual_store_registry.h"
#include "tests/settings/settings_test_support.h"
#include "tests/support/temporary_directory.h"

namespace zelmora::settings {
namespace {

using platform::Registry;
using platform::RegistryKey;
using platform::RegistryRoot;
using platform::RegistryStatus;
using platform::RegistryValueType;
using testing::MainWindowControls;

constexpr std::string_view kPath = "Software\\zelmora\\tixing";

// The registry as Windows shows it to one account. A standard user (and an
// administrator's program that is not elevated) may neither create a
// machine-wide key nor open one with full access; their own keys are theirs.
class Account final : public Registry {
 public:
  Account(Registry& registry, bool administrator) : registry_(registry), administrator_(administrator) {}

  RegistryStatus OpenKey(RegistryRoot root, std::string_view path, RegistryKey& key) override {
    if (administrator_ || root == RegistryRoot::CurrentUser) return registry_.OpenKey(root, path, key);
    RegistryKey probe{};
    const RegistryStatus exists = registry_.OpenKey(root, path, probe);
    if (exists != RegistryStatus::Success) return exists;
    registry_.CloseKey(probe);
    return RegistryStatus::AccessDenied;
  }
  RegistryStatus CreateKey(RegistryRoot root, std::string_view path, RegistryKey& key) override {
    if (administrator_ || root == RegistryRoot::CurrentUser) return registry_.CreateKey(root, path, key);
    return RegistryStatus::AccessDenied;
  }
  RegistryStatus QueryValue(RegistryKey key, std::string_view name, RegistryValueType* type, std::byte* data,
                            std::uint32_t* size) override {
    return registry_.QueryValue(key, name, type, data, size);
  }
  RegistryStatus SetValue(RegistryKey key, std::string_view name, RegistryValueType type,
                          std::span<const std::byte> data) override {
    return registry_.SetValue(key, name, type, data);
  }
  RegistryStatus CloseKey(RegistryKey key) override { return registry_.CloseKey(key); }

 private:
  Registry& registry_;
  bool administrator_;
};

class VirtualStore : public ::testing::Test {
 protected:
  // What the program's registry is for that account.
  std::unique_ptr<Registry> ProgramRegistry(bool administrator) {
    return platform::WithVirtualStore(std::make_unique<Account>(*hives, administrator));
  }
  MainWindowControls Load(bool administrator) {
    MainWindowControls controls;
    LoadSettings(*ProgramRegistry(administrator), controls.View());
    return controls;
  }
  void Save(bool administrator, const std::string& workerId) {
    MainWindowControls controls;
    controls.edt1.SetText(workerId);
    controls.chkip2.SetChecked(false);
    EXPECT_NO_THROW(SaveSettings(*ProgramRegistry(administrator), controls.View()));
  }
  // The worker id stored under root and path, read past every redirection.
  std::optional<std::string> StoredWorkerId(RegistryRoot root, std::string_view path) {
    auto value = testing::ReadStored(*hives, path, "userid", root);
    if (!value || value->data.empty()) return std::nullopt;
    return std::string(reinterpret_cast<const char*>(value->data.data()), value->data.size() - 1);
  }
  std::optional<std::string> MachineWide() { return StoredWorkerId(RegistryRoot::LocalMachine, kPath); }
  std::optional<std::string> UsersCopy() {
    return StoredWorkerId(RegistryRoot::CurrentUser, platform::VirtualStorePath(kPath));
  }

  static constexpr bool kStandardUser = false;
  static constexpr bool kAdministrator = true;
  testing::TemporaryDirectory directory;
  std::unique_ptr<Registry> hives = platform::OpenHiveFileRegistry(directory.Path());
};

TEST_F(VirtualStore, AStandardUsersFirstStartIsSavedInTheirCopyAndLoadedFromIt) {
  MainWindowControls first = Load(kStandardUser);
  EXPECT_EQ(first.edt1.Text(), "ZM-");
  EXPECT_EQ(first.Boxes(), std::vector<bool>(4, true));

  Save(kStandardUser, "ZM-7");
  EXPECT_EQ(MachineWide(), std::nullopt);
  EXPECT_EQ(UsersCopy(), "ZM-7");

  MainWindowControls next = Load(kStandardUser);
  EXPECT_EQ(next.edt1.Text(), "ZM-7");
  EXPECT_EQ(next.Boxes(), (std::vector<bool>{true, true, true, false}));
}

TEST_F(VirtualStore, BesideAnAdministratorsKeyAStandardUserKeepsSettingsOfTheirOwn) {
  Save(kAdministrator, "ZM-admin");
  EXPECT_EQ(MachineWide(), "ZM-admin");
  EXPECT_EQ(Load(kAdministrator).edt1.Text(), "ZM-admin");
  // Loading asks for full access, which a standard user lacks: the defaults.
  EXPECT_EQ(Load(kStandardUser).edt1.Text(), "ZM-");

  Save(kStandardUser, "ZM-user");
  EXPECT_EQ(Load(kStandardUser).edt1.Text(), "ZM-user");
  EXPECT_EQ(MachineWide(), "ZM-admin");
}

// The same person later runs the program elevated: what they saved before
// still shows, and what they save now shows at the next start too.
TEST_F(VirtualStore, TheUsersCopyWinsOverTheMachineWideKeyForReadingAndWriting) {
  Save(kAdministrator, "ZM-admin");
  Save(kStandardUser, "ZM-user");

  EXPECT_EQ(Load(kAdministrator).edt1.Text(), "ZM-user");
  Save(kAdministrator, "ZM-elevated");
  EXPECT_EQ(Load(kStandardUser).edt1.Text(), "ZM-elevated");
  EXPECT_EQ(MachineWide(), "ZM-admin");
}

}  // namespace
}  // namespace zelmora::settings
