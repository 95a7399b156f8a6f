#pragma once
// Shared pieces of the settings tests: a scratch directory, a check box or
// edit held in memory, and byte helpers for registry data.

#include <stdlib.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/desktop.h"
#include "platform/registry.h"

namespace zelmora::testing {

class TemporaryDirectory {
 public:
  TemporaryDirectory() {
    std::string pattern = (std::filesystem::temp_directory_path() / "zelmora-settings-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
  }
  ~TemporaryDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

class MemoryControl final : public platform::Control {
 public:
  explicit MemoryControl(std::string text = {}, bool checked = false)
      : text_(std::move(text)), checked_(checked) {}
  std::string Text() const override { return text_; }
  void SetText(const std::string& text) override { text_ = text; }
  bool Checked() const override { return checked_; }
  void SetChecked(bool checked) override { checked_ = checked; }
  bool Enabled() const override { return true; }
  void SetEnabled(bool) override {}
  void OnActivated(std::function<void()>) override {}

 private:
  std::string text_;
  bool checked_;
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

// Reads one value below HKEY_LOCAL_MACHINE through the registry functions.
inline std::optional<StoredValue> ReadStored(platform::Registry& registry, std::string_view path,
                                             std::string_view name) {
  platform::RegistryKey key{};
  if (registry.OpenKey(platform::RegistryRoot::LocalMachine, path, key) !=
      platform::RegistryStatus::Success) {
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
