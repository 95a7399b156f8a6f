#pragma once
// The keys and values of one root, and their .reg text form (REGEDIT4 layout,
// UTF-8): "name"="text", dword:, hex:, hex(N): with N the value type.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry.h"

namespace zelmora::platform::hive {

struct Value {
  std::string name;  // empty for the key's default value, written as @
  RegistryValueType type = RegistryValueType::None;
  std::vector<std::byte> data;
};

struct Key {
  std::string path;  // below the root, components joined by '\'; empty for the root itself
  std::vector<Value> values;

  // Names compare without regard to ASCII case, as in the Windows registry.
  const Value* FindValue(std::string_view name) const;
  void SetValue(std::string_view name, RegistryValueType type, std::vector<std::byte> data);
};

class Hive {
 public:
  const Key* FindKey(std::string_view path) const;
  Key* FindKey(std::string_view path);
  // Creates the key and every missing key along its path; returns the key.
  Key& CreateKey(std::string_view path);
  const std::vector<Key>& Keys() const { return keys_; }

 private:
  std::vector<Key> keys_;  // in file order
};

// A key path is usable when it has no empty component and no control character.
bool IsValidKeyPath(std::string_view path);
bool IsValidValueName(std::string_view name);

// rootName is the section prefix, e.g. "HKEY_LOCAL_MACHINE". Returns nothing
// when the text is not a complete hive of that root.
std::optional<Hive> ParseHive(std::string_view text, std::string_view rootName);
std::string FormatHive(const Hive& hive, std::string_view rootName);

}  // namespace zelmora::platform::hive
