// The advapi32 registry functions: UTF-8 at our side, UTF-16 in the registry,
// with sizes, zero bytes and types as the settings store expects them; and
// where the program's registry finds and keeps machine-wide keys.
#include <windows.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "platform/system_windows/advapi_registry.h"
#include "platform/system_windows/virtual_store_registry.h"

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
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\zelmora-tests");
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

std::wstring WideAscii(std::string_view text) { return std::wstring(text.begin(), text.end()); }

// Runs a command line of the system's own tools (reg.exe) and returns its exit status.
DWORD RunTool(std::wstring commandLine) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                      nullptr, &startup, &process)) {
    return GetLastError();
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD status = 1;
  GetExitCodeProcess(process.hProcess, &status);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return status;
}

// A value of a key below HKEY_LOCAL_MACHINE, as the 32-bit or the 64-bit view holds it.
std::optional<std::wstring> MachineValue(const std::string& keyPath, DWORD view, const wchar_t* name) {
  wchar_t data[64] = {};
  DWORD size = sizeof data;
  if (RegGetValueW(HKEY_LOCAL_MACHINE, WideAscii(keyPath).c_str(), name, RRF_RT_REG_SZ | view, nullptr, data,
                   &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  return data;
}

// The machine-wide keys of these tests, in both views, and the user's copies of them.
void DeleteMachineTestKeys() {
  for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
    HKEY software = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software", 0, KEY_ALL_ACCESS | view, &software) ==
        ERROR_SUCCESS) {
      RegDeleteTreeW(software, L"zelmora-tests");
      RegCloseKey(software);
    }
  }
  RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Classes\\VirtualStore\\MACHINE\\Software\\zelmora-tests");
  RegDeleteTreeW(HKEY_CURRENT_USER,
                 L"Software\\Classes\\VirtualStore\\MACHINE\\Software\\WOW6432Node\\zelmora-tests");
}

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

// The redirection's own rules are tested on every system; here, that the
// program's registry has it, over the real VirtualStore location of the view
// 32-bit programs see.
TEST_F(AdvapiRegistry, TheProgramsRegistryReadsAMachineWideKeyFromTheUsersCopy) {
  const std::string machinePath = path + "\\tixing";
  auto advapi = OpenAdvapiRegistry(RegistryView::ThirtyTwoBit);
  const auto store = [&](RegistryRoot root, const std::string& keyPath, std::string_view text) {
    RegistryKey stored{};
    ASSERT_EQ(advapi->CreateKey(root, keyPath, stored), RegistryStatus::Success);
    advapi->SetValue(stored, "userid", RegistryValueType::String, Data(text));
    advapi->CloseKey(stored);
  };
  store(RegistryRoot::LocalMachine, machinePath, std::string_view("machine\0", 8));
  store(RegistryRoot::CurrentUser, VirtualStorePath(machinePath, MachineView::Wow6432Node),
        std::string_view("copy\0", 5));

  RegistryKey opened{};
  ASSERT_EQ(registry->OpenKey(RegistryRoot::LocalMachine, machinePath, opened), RegistryStatus::Success);
  RegistryValueType type{};
  EXPECT_EQ(Read(opened, "userid", type), Data(std::string_view("copy\0", 5)));
  registry->CloseKey(opened);
  DeleteMachineTestKeys();
}

// One store for every build and tool: a 64-bit program, a 32-bit one and a
// 32-bit reg.exe (or a script run from a 32-bit shell) all reach
// HKLM\Software\WOW6432Node on 64-bit Windows.
TEST_F(AdvapiRegistry, TheProgramSharesMachineWideKeysWith32BitTools) {
  const std::string machinePath = path + "\\tixing";
  ASSERT_EQ(RunTool(L"reg.exe add \"HKLM\\" + WideAscii(machinePath) + L"\" /v userid /d ZM-32 /f /reg:32"),
            0u);

  RegistryKey opened{};
  ASSERT_EQ(registry->OpenKey(RegistryRoot::LocalMachine, machinePath, opened), RegistryStatus::Success);
  RegistryValueType type{};
  EXPECT_EQ(Read(opened, "userid", type), Data(std::string_view("ZM-32\0", 6)));
  registry->CloseKey(opened);

  ASSERT_EQ(registry->CreateKey(RegistryRoot::LocalMachine, machinePath, opened), RegistryStatus::Success);
  ASSERT_EQ(
      registry->SetValue(opened, "interval", RegistryValueType::String, Data(std::string_view("45\0", 3))),
      RegistryStatus::Success);
  registry->CloseKey(opened);
  EXPECT_EQ(MachineValue(machinePath, RRF_SUBKEY_WOW6432KEY, L"interval"), L"45");
  EXPECT_EQ(MachineValue(machinePath, RRF_SUBKEY_WOW6464KEY, L"interval"), std::nullopt);
  DeleteMachineTestKeys();
}

// Earlier releases kept the key in the 64-bit view: an upgrade shows what was
// saved there until its first save, which goes to the shared view and leaves
// the old key as it was.
TEST_F(AdvapiRegistry, SettingsOfEarlierReleasesAreReadUntilTheFirstSave) {
  const std::string machinePath = path + "\\tixing";
  auto earlier = OpenAdvapiRegistry(RegistryView::SixtyFourBit);
  RegistryKey old{};
  ASSERT_EQ(earlier->CreateKey(RegistryRoot::LocalMachine, machinePath, old), RegistryStatus::Success);
  earlier->SetValue(old, "userid", RegistryValueType::String, Data(std::string_view("ZM-old\0", 7)));
  earlier->CloseKey(old);

  RegistryKey opened{};
  ASSERT_EQ(registry->OpenKey(RegistryRoot::LocalMachine, machinePath, opened), RegistryStatus::Success);
  RegistryValueType type{};
  EXPECT_EQ(Read(opened, "userid", type), Data(std::string_view("ZM-old\0", 7)));
  registry->CloseKey(opened);

  ASSERT_EQ(registry->CreateKey(RegistryRoot::LocalMachine, machinePath, opened), RegistryStatus::Success);
  registry->SetValue(opened, "userid", RegistryValueType::String, Data(std::string_view("ZM-new\0", 7)));
  registry->CloseKey(opened);
  ASSERT_EQ(registry->OpenKey(RegistryRoot::LocalMachine, machinePath, opened), RegistryStatus::Success);
  EXPECT_EQ(Read(opened, "userid", type), Data(std::string_view("ZM-new\0", 7)));
  registry->CloseKey(opened);
  EXPECT_EQ(MachineValue(machinePath, RRF_SUBKEY_WOW6464KEY, L"userid"), L"ZM-old");
  DeleteMachineTestKeys();
}

}  // namespace
}  // namespace zelmora::platform
