#pragma once
// Shared pieces of the settings tests: byte helpers for registry data and files.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry.h"
#include "settings/settings_store.h"
#include "tests/support/fake_desktop.h"

namespace zelmora::testing {

// The main window's controls as they are at start-up.
struct MainWindowControls {
  FakeControl edt1{"ZM-"}, edt2{"60"}, edt3{"30"};
  FakeControl chktype1{"", true}, chktype2{"", true}, chkip1{"", true}, chkip2{"", true};
  settings::SettingsControls View() { return {edt1, edt2, edt3, chktype1, chktype2, chkip1, chkip2}; }
  std::vector<bool> Boxes() const {
    return {chktype1.Checked(), chktype2.Checked(), chkip1.Checked(), chkip2.Checked()};
  }
};

inline std::vector<std::byte> Bytes(std::string_view text) {
  std::vector<std::byte> bytes;
  for (char c : text) bytes.push_back(static_cast<std::byte>(c));
  return bytes;
}

// The data of a string value as the store writes it: the text and a zero byte.
inline std::vector<std::byte> StringData(std::string_view text) {
  auto bytes = Bytes(text);
  bytes.push_back(std::byte{0});
  return bytes;
}

struct StoredValue {
  platform::RegistryValueType type;
  std::vector<std::byte> data;
  bool operator==(const StoredValue&) const = default;
};

// Reads one value through the registry functions.
inline std::optional<StoredValue> ReadStored(
    platform::Registry& registry, std::string_view path, std::string_view name,
    platform::RegistryRoot root = platform::RegistryRoot::LocalMachine) {
  platform::RegistryKey key{};
  if (registry.OpenKey(root, path, key) != platform::RegistryStatus::Success) {
    return std::nullopt;
  }
  StoredValue value{};
  std::uint32_t size = 0;
  auto result = registry.QueryValue(key, name, &value.type, nullptr, &size);
  if (result == platform::RegistryStatus::Success) {
    value.data.resize(size);
    result = registry.QueryValue(key, name, &value.type, value.data.data(), &size);
  }
  registry.CloseKey(key);
  if (result != platform::RegistryStatus::Success) return std::nullopt;
  return value;
}

inline std::string ReadFile(const std::filesystem::path& file) {
  std::string text;
  if (FILE* stream = std::fopen(file.c_str(), "rb")) {
    char buffer[4096];
    size_t count;
    while ((count = std::fread(buffer, 1, sizeof buffer, stream)) > 0) text.append(buffer, count);
    std::fclose(stream);
  }
  return text;
}

inline void WriteFile(const std::filesystem::path& file, std::string_view text) {
  FILE* stream = std::fopen(file.c_str(), "wb");
  std::fwrite(text.data(), 1, text.size(), stream);
  std::fclose(stream);
}

}  // namespace zelmora::testing
