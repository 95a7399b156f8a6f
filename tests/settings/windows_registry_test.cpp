// The advapi32 registry functions: UTF-8 at our side, UTF-16 in the registry,
// with sizes, zero bytes and types as the settings store expects them; and
// where the program's registry finds and keeps machine-wide keys.
#include <windows.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/registry.h"
#include "platform/system_windows/advapi_registry.h"
#include "platform/system_windows/virtual_store_registry.h"
#include "platform/system_windows/wide_text.h"

namespace zelmora::platform {
namespace {

std::vector<std::byte> Data(std::string_view bytes) {
  std::vector<std::byte> data;
  for (char c : bytes) data.push_back(static_cast<std::byte>(c));
  return data;
}

class AdvapiRegistry : public ::testing::Test {
 protected:
  void SetUp() override {
    path = "Software\\zelmora-tests\\" + std::to_string(GetCurrentProcessId());
    ASSERT_EQ(registry->CreateKey(RegistryRoot::CurrentUser, path, key), RegistryStatus::Success);
  }
  void TearDown() override {
    registry->CloseKey(key);
    RegDeleteTreeW(HKEY_CURRENT_USER, Wide(path).c_str());
  }
  std::vector<std::byte> Read(std::string_view name, RegistryValueType& type) {
    return Read(key, name, type);
  }
  std::vector<std::byte> Read(RegistryKey from, std::string_view name, RegistryValueType& type) {
    std::uint32_t size = 0;
    EXPECT_EQ(registry->QueryValue(from, name, &type, nullptr, &size), RegistryStatus::Success);
    std::vector<std::byte> data(size);
    EXPECT_EQ(registry->QueryValue(from, name, &type, data.data(), &size), RegistryStatus::Success);
    data.resize(size);
    return data;
  }

  std::unique_ptr<Registry> registry = OpenSystemRegistry();
  std::string path;
  RegistryKey key{};
};

TEST_F(AdvapiRegistry, StringsCrossAsUtf8WithTheirZeroBytes) {
  auto text = Data(std::string_view("工号 7\0tail\0", 14));
  ASSERT_EQ(registry->SetValue(key, "userid", RegistryValueType::String, text), RegistryStatus::Success);
  RegistryValueType type{};
  EXPECT_EQ(Read("userid", type), text);
  EXPECT_EQ(type, RegistryValueType::String);

  // Stored as UTF-16 for every other reader of the registry.
  wchar_t wide[16] = {};
  DWORD size = sizeof wide;
  const std::wstring widePath(path.begin(), path.end());
  ASSERT_EQ(RegGetValueW(HKEY_CURRENT_USER, widePath.c_str(), L"userid", RRF_RT_REG_SZ, nullptr, wide, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(std::wstring(wide), L"\u5DE5\u53F7 7");
}

TEST_F(AdvapiRegistry, SmallBufferAndMissingValue) {
  ASSERT_EQ(registry->SetValue(key, "interval", RegistryValueType::String, Data(std::string_view("60\0", 3))),
            RegistryStatus::Success);
  std::byte small[1];
  std::uint32_t size = sizeof small;
  EXPECT_EQ(registry->QueryValue(key, "interval", nullptr, small, &size), RegistryStatus::MoreData);
  EXPECT_EQ(size, 3u);
  EXPECT_EQ(registry->QueryValue(key, "absent", nullptr, nullptr, &size), RegistryStatus::FileNotFound);
  RegistryKey missing{};
  EXPECT_EQ(registry->OpenKey(RegistryRoot::CurrentUser, path + "\\absent", missing),
            RegistryStatus::FileNotFound);
}

TEST_F(AdvapiRegistry, OtherTypesKeepTheirBytes) {
  auto dword = Data(std::string_view("\x3c\0\0\0", 4));
  ASSERT_EQ(registry->SetValue(key, "interval", RegistryValueType::Dword, dword), RegistryStatus::Success);
  auto expand = Data(std::string_view("%TEMP%\0", 7));
  ASSERT_EQ(registry->SetValue(key, "closetime", RegistryValueType::ExpandString, expand),
            RegistryStatus::Success);
  RegistryValueType type{};
  EXPECT_EQ(Read("interval", type), dword);
  EXPECT_EQ(type, RegistryValueType::Dword);
  EXPECT_EQ(Read("closetime", type), expand);
  EXPECT_EQ(type, RegistryValueType::ExpandString);
}

// Runs reg.exe with these arguments and returns its exit status.
DWORD Reg(const std::string& arguments) {
  std::wstring commandLine = L"reg.exe " + std::wstring(arguments.begin(), arguments.end());
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                      nullptr, &startup, &process)) {
    return GetLastError();
  }
  // A reg.exe that never ends fails the test instead of hanging it.
  DWORD status = 1;
  if (WaitForSingleObject(process.hProcess, 60'000) == WAIT_OBJECT_0) {
    GetExitCodeProcess(process.hProcess, &status);
  } else {
    TerminateProcess(process.hProcess, 1);
    ADD_FAILURE() << "reg.exe " << arguments << " did not end";
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return status;
}

// Where the program's registry finds and keeps a machine-wide key. (The
// VirtualStore redirection's own rules are tested on every system.)
class MachineKey : public AdvapiRegistry {
 protected:
  void SetUp() override {
    AdvapiRegistry::SetUp();
    machinePath = path + "\\tixing";
  }

  void TearDown() override {
    // This process's keys only: ctest runs the tests side by side.
    DeleteTree(HKEY_LOCAL_MACHINE, path, KEY_WOW64_32KEY);
    DeleteTree(HKEY_LOCAL_MACHINE, path, KEY_WOW64_64KEY);
    DeleteTree(HKEY_CURRENT_USER, VirtualStorePath(path, MachineView::Wow6432Node), 0);
    AdvapiRegistry::TearDown();
  }
  static void DeleteTree(HKEY root, const std::string& keyPath, REGSAM view) {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(root, Wide(keyPath).c_str(), 0, KEY_ALL_ACCESS | view, &opened) != ERROR_SUCCESS)
      return;
    RegDeleteTreeW(opened, nullptr);
    RegCloseKey(opened);
    RegDeleteKeyExW(root, Wide(keyPath).c_str(), view, 0);
  }
  void Store(Registry& into, RegistryRoot root, const std::string& keyPath, const std::string& userId) {
    RegistryKey stored{};
    ASSERT_EQ(into.CreateKey(root, keyPath, stored), RegistryStatus::Success);
    into.SetValue(stored, "userid", RegistryValueType::String,
                  Data(std::string_view(userId.c_str(), userId.size() + 1)));
    into.CloseKey(stored);
  }
  // The worker id as `from` loads it from the machine-wide key.
  std::string UserId(Registry& from) {
    RegistryKey opened{};
    if (from.OpenKey(RegistryRoot::LocalMachine, machinePath, opened) != RegistryStatus::Success)
      return "(no key)";
    RegistryValueType type{};
    const std::vector<std::byte> data = Read(opened, "userid", type);
    from.CloseKey(opened);
    return data.empty() ? "" : std::string(reinterpret_cast<const char*>(data.data()), data.size() - 1);
  }

  std::string machinePath;
  std::unique_ptr<Registry> thirtyTwoBitView = OpenAdvapiRegistry(RegistryView::ThirtyTwoBit);
  std::unique_ptr<Registry> sixtyFourBitView = OpenAdvapiRegistry(RegistryView::SixtyFourBit);
};

// One store for every build and tool: a 64-bit program, a 32-bit one and a
// 32-bit reg.exe (or a script run from a 32-bit shell) all reach
// HKLM\Software\WOW6432Node on 64-bit Windows.
TEST_F(MachineKey, IsSharedWith32BitTools) {
  ASSERT_EQ(Reg("add HKLM\\" + machinePath + " /v userid /d ZM-32 /f /reg:32"), 0u);
  EXPECT_EQ(UserId(*registry), "ZM-32");
  Store(*registry, RegistryRoot::LocalMachine, machinePath, "ZM-saved");
  EXPECT_EQ(UserId(*thirtyTwoBitView), "ZM-saved");
  EXPECT_EQ(UserId(*sixtyFourBitView), "(no key)");
}

// Windows keeps a standard user's copy of that view's keys below WOW6432Node too.
TEST_F(MachineKey, IsReadFromTheUsersCopyOfThe32BitView) {
  Store(*thirtyTwoBitView, RegistryRoot::LocalMachine, machinePath, "machine");
  Store(*thirtyTwoBitView, RegistryRoot::CurrentUser, VirtualStorePath(machinePath, MachineView::Wow6432Node),
        "copy");
  EXPECT_EQ(UserId(*registry), "copy");
}

// Earlier releases kept the key in the 64-bit view: an upgrade shows what was
// saved there until its first save, which leaves the old key as it was.
TEST_F(MachineKey, IsReadWhereEarlierReleasesKeptItUntilTheFirstSave) {
  Store(*sixtyFourBitView, RegistryRoot::LocalMachine, machinePath, "ZM-old");
  EXPECT_EQ(UserId(*registry), "ZM-old");
  Store(*registry, RegistryRoot::LocalMachine, machinePath, "ZM-new");
  EXPECT_EQ(UserId(*registry), "ZM-new");
  EXPECT_EQ(UserId(*sixtyFourBitView), "ZM-old");
}

}  // namespace
}  // namespace zelmora::platform
