// The advapi32 registry functions: UTF-8 at our side, UTF-16 in the registry,
// with sizes, zero bytes and types as the settings store expects them.
#include <windows.h>
#include <gtest/gtest.h>

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
// program's registry has it, over the real VirtualStore location.
TEST_F(AdvapiRegistry, TheProgramsRegistryReadsAMachineWideKeyFromTheUsersCopy) {
  const std::string machinePath = path + "\\tixing";
  auto advapi = OpenAdvapiRegistry();
  const auto store = [&](RegistryRoot root, const std::string& keyPath, std::string_view text) {
    RegistryKey stored{};
    ASSERT_EQ(advapi->CreateKey(root, keyPath, stored), RegistryStatus::Success);
    advapi->SetValue(stored, "userid", RegistryValueType::String, Data(text));
    advapi->CloseKey(stored);
  };
  store(RegistryRoot::LocalMachine, machinePath, std::string_view("machine\0", 8));
  store(RegistryRoot::CurrentUser, VirtualStorePath(machinePath), std::string_view("copy\0", 5));

  RegistryKey opened{};
  ASSERT_EQ(registry->OpenKey(RegistryRoot::LocalMachine, machinePath, opened), RegistryStatus::Success);
  RegistryValueType type{};
  EXPECT_EQ(Read(opened, "userid", type), Data(std::string_view("copy\0", 5)));
  registry->CloseKey(opened);

  RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\zelmora-tests");
  RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Classes\\VirtualStore\\MACHINE\\Software\\zelmora-tests");
}

}  // namespace
}  // namespace zelmora::platform
