#pragma once
// The registry functions the settings store needs, shaped like advapi32's:
// handles, result codes and value types carry the Windows numbers, so the
// store's rules read the same on every platform.
//
// Texts crossing this interface (key paths, value names, string data) are UTF-8.
// String data (RegistryValueType::String, ExpandString, MultiString) is handed
// over and returned with its terminating zero byte, as the Windows functions do.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

namespace zelmora::platform {

// Predefined root keys.
enum class RegistryRoot {
  CurrentUser,   // HKEY_CURRENT_USER
  LocalMachine,  // HKEY_LOCAL_MACHINE
};

// Value types with their Windows numbers (REG_*); other numbers may occur.
enum class RegistryValueType : std::uint32_t {
  None = 0,            // REG_NONE
  String = 1,          // REG_SZ
  ExpandString = 2,    // REG_EXPAND_SZ
  Binary = 3,          // REG_BINARY
  Dword = 4,           // REG_DWORD
  DwordBigEndian = 5,  // REG_DWORD_BIG_ENDIAN
  Link = 6,            // REG_LINK
  MultiString = 7,     // REG_MULTI_SZ
  Qword = 11,          // REG_QWORD
};

// Win32 result codes (ERROR_*); a platform store may return others.
enum class RegistryStatus : long {
  Success = 0,             // ERROR_SUCCESS
  FileNotFound = 2,        // ERROR_FILE_NOT_FOUND: no such key or value
  AccessDenied = 5,        // ERROR_ACCESS_DENIED
  InvalidHandle = 6,       // ERROR_INVALID_HANDLE
  OutOfMemory = 14,        // ERROR_OUTOFMEMORY
  InvalidParameter = 87,   // ERROR_INVALID_PARAMETER
  MoreData = 234,          // ERROR_MORE_DATA: the buffer is too small
  CannotWrite = 1013,      // ERROR_CANTWRITE
  RegistryCorrupt = 1015,  // ERROR_REGISTRY_CORRUPT
  KeyDeleted = 1018,       // ERROR_KEY_DELETED
};

// An open key; None is never a valid key.
enum class RegistryKey : std::uintptr_t { None = 0 };

class Registry {
 public:
  virtual ~Registry() = default;

  // Opens an existing key below the root with full access (read and write).
  virtual RegistryStatus OpenKey(RegistryRoot root, std::string_view path, RegistryKey& key) = 0;
  // Opens a key with full access, creating it and any missing key along the path.
  virtual RegistryStatus CreateKey(RegistryRoot root, std::string_view path, RegistryKey& key) = 0;
  // Asks a value's type and data. With data null, only *size (and *type) are
  // filled in: the number of bytes the data needs. With data given, *size is
  // the buffer's size on entry and the data's size on return; a buffer that is
  // too small gives MoreData with the needed size in *size. type may be null.
  virtual RegistryStatus QueryValue(RegistryKey key, std::string_view name, RegistryValueType* type,
                                    std::byte* data, std::uint32_t* size) = 0;
  // Creates or replaces a value, its type included.
  virtual RegistryStatus SetValue(RegistryKey key, std::string_view name, RegistryValueType type,
                                  std::span<const std::byte> data) = 0;
  virtual RegistryStatus CloseKey(RegistryKey key) = 0;
};

// The platform's own registry: advapi32 on Windows, the hive files of the
// user's configuration directory elsewhere.
std::unique_ptr<Registry> OpenSystemRegistry();

}  // namespace zelmora::platform
