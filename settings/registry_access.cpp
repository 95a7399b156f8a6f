#include "settings/registry_access.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace zelmora::settings {
namespace {

using platform::RegistryStatus;
using platform::RegistryValueType;

std::string Quoted(std::string_view name) { return "'" + std::string(name) + "'"; }

}  // namespace

TRegistryAccess::TRegistryAccess(platform::Registry& registry) : registry_(registry) {}

TRegistryAccess::~TRegistryAccess() { CloseKey(); }

void TRegistryAccess::SetRootKey(platform::RegistryRoot root) {
  if (root == root_) return;
  root_ = root;
  CloseKey();
}

bool TRegistryAccess::OpenKey(std::string_view path, bool canCreate) {
  platform::RegistryKey opened = platform::RegistryKey::None;
  RegistryStatus result =
      canCreate ? registry_.CreateKey(root_, path, opened) : registry_.OpenKey(root_, path, opened);
  if (result != RegistryStatus::Success) return false;
  CloseKey();
  currentKey_ = opened;
  currentPath_ = path;
  return true;
}

void TRegistryAccess::CloseKey() {
  if (currentKey_ == platform::RegistryKey::None) return;
  registry_.CloseKey(currentKey_);
  currentKey_ = platform::RegistryKey::None;
  currentPath_.clear();
}

std::string TRegistryAccess::ReadString(std::string_view name) {
  // A failed size query (no such value, no key open) counts as no data.
  std::uint32_t size = 0;
  RegistryValueType type = RegistryValueType::None;
  if (currentKey_ == platform::RegistryKey::None ||
      registry_.QueryValue(currentKey_, name, &type, nullptr, &size) != RegistryStatus::Success ||
      size == 0) {
    return {};
  }
  // The value may have grown or vanished since the size query.
  std::vector<std::byte> buffer(size);
  if (registry_.QueryValue(currentKey_, name, &type, buffer.data(), &size) != RegistryStatus::Success) {
    throw ERegistryError("Failed to get data for " + Quoted(name));
  }
  if (type != RegistryValueType::String && type != RegistryValueType::ExpandString) {
    throw ERegistryError("Invalid data type for " + Quoted(name));
  }
  // Expandable strings come back as stored, their %variables% untouched.
  std::string_view text(reinterpret_cast<const char*>(buffer.data()), size);
  return std::string(text.substr(0, text.find('\0')));
}

void TRegistryAccess::WriteString(std::string_view name, std::string_view text) {
  std::vector<std::byte> data(text.size() + 1);
  std::copy(text.begin(), text.end(), reinterpret_cast<char*>(data.data()));
  if (currentKey_ == platform::RegistryKey::None ||
      registry_.SetValue(currentKey_, name, RegistryValueType::String, data) != RegistryStatus::Success) {
    throw ERegistryError("Failed to set data for " + Quoted(name));
  }
}

}  // namespace zelmora::settings
