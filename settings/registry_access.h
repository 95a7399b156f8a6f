#pragma once
// TRegistryAccess: one load's or one save's view of the registry. It holds a
// root, at most one open key, and turns failed reads and writes of string
// values into ERegistryError. A failed open is no error: it answers false.

#include <string>
#include <string_view>

#include "core/error.h"
#include "platform/registry.h"

namespace zelmora::settings {

class ERegistryError : public Error {
 public:
  using Error::Error;
};

class TRegistryAccess {
 public:
  // Root HKEY_CURRENT_USER, no key open. Every open asks for full access.
  explicit TRegistryAccess(platform::Registry& registry);
  ~TRegistryAccess();
  TRegistryAccess(const TRegistryAccess&) = delete;
  TRegistryAccess& operator=(const TRegistryAccess&) = delete;

  platform::RegistryRoot RootKey() const { return root_; }
  // A different root closes the open key.
  void SetRootKey(platform::RegistryRoot root);

  // True when the key is now open; the key opened before is then closed. On
  // failure nothing changes. canCreate also creates missing keys along the path.
  bool OpenKey(std::string_view path, bool canCreate);
  // Only releases the handle, never forces the key to disk first: the registry
  // persists by itself.
  void CloseKey();
  const std::string& CurrentPath() const { return currentPath_; }

  // The text up to the first zero byte; empty when the value is missing or
  // has no data, whatever its type. Throws ERegistryError for data that is
  // not a string, or that cannot be read.
  std::string ReadString(std::string_view name);
  // Stores the text and a zero byte as a string value; throws on failure.
  void WriteString(std::string_view name, std::string_view text);

 private:
  platform::Registry& registry_;
  platform::RegistryRoot root_ = platform::RegistryRoot::CurrentUser;
  platform::RegistryKey currentKey_ = platform::RegistryKey::None;
  std::string currentPath_;
};

}  // namespace zelmora::settings
