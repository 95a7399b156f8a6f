// The system registry on Windows: advapi32's wide-character functions, with
// UTF-8 converted to UTF-16 and back at this edge. String data keeps embedded
// and terminating zeros through the conversion, so the store's rules hold.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/system_windows/advapi_registry.h"
#include "platform/system_windows/virtual_store_registry.h"
#include "platform/system_windows/wide_text.h"

namespace zelmora::platform {
namespace {

// Values that change size between our own size query and read are retried a
// few times before giving up with ERROR_MORE_DATA.
constexpr int kReadAttempts = 4;

bool IsStringType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

HKEY RootHandle(RegistryRoot root) {
  return root == RegistryRoot::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

HKEY Handle(RegistryKey key) { return reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(key)); }

RegistryKey FromHandle(HKEY key) { return static_cast<RegistryKey>(reinterpret_cast<std::uintptr_t>(key)); }

RegistryStatus Status(LONG result) { return static_cast<RegistryStatus>(result); }

// Reads a value's type and data as the registry holds them (strings in UTF-16).
LONG ReadRaw(HKEY key, const std::wstring& name, DWORD& type, std::vector<BYTE>& data) {
  for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
    DWORD size = 0;
    LONG result = RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &size);
    if (result != ERROR_SUCCESS) return result;
    data.assign(size, 0);
    result = RegQueryValueExW(key, name.c_str(), nullptr, &type, data.data(), &size);
    if (result == ERROR_MORE_DATA) continue;
    if (result == ERROR_SUCCESS) data.resize(size);
    return result;
  }
  return ERROR_MORE_DATA;
}

class AdvapiRegistry final : public Registry {
 public:
  RegistryStatus OpenKey(RegistryRoot root, std::string_view path, RegistryKey& key) override {
    HKEY opened = nullptr;
    const LONG result = RegOpenKeyExW(RootHandle(root), Wide(path).c_str(), 0, KEY_ALL_ACCESS, &opened);
    return Opened(result, opened, key);
  }

  RegistryStatus CreateKey(RegistryRoot root, std::string_view path, RegistryKey& key) override {
    HKEY opened = nullptr;
    const LONG result = RegCreateKeyExW(RootHandle(root), Wide(path).c_str(), 0, nullptr,
                                        REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &opened, nullptr);
    return Opened(result, opened, key);
  }

  RegistryStatus QueryValue(RegistryKey key, std::string_view name, RegistryValueType* type, std::byte* data,
                            std::uint32_t* size) override {
    if (!size) return RegistryStatus::InvalidParameter;
    DWORD rawType = REG_NONE;
    std::vector<BYTE> raw;
    LONG result = ReadRaw(Handle(key), Wide(name), rawType, raw);
    if (result != ERROR_SUCCESS) return Status(result);

    std::string converted;
    std::string_view bytes(reinterpret_cast<const char*>(raw.data()), raw.size());
    if (IsStringType(rawType)) {
      // An odd trailing byte is not a UTF-16 unit; it is dropped.
      converted = Narrow(std::wstring_view(reinterpret_cast<const wchar_t*>(raw.data()), raw.size() / 2));
      bytes = converted;
    }
    if (type) *type = static_cast<RegistryValueType>(rawType);
    std::uint32_t room = *size;
    *size = static_cast<std::uint32_t>(bytes.size());
    if (!data) return RegistryStatus::Success;
    if (room < bytes.size()) return RegistryStatus::MoreData;
    std::copy(bytes.begin(), bytes.end(), reinterpret_cast<char*>(data));
    return RegistryStatus::Success;
  }

  RegistryStatus SetValue(RegistryKey key, std::string_view name, RegistryValueType type,
                          std::span<const std::byte> data) override {
    auto rawType = static_cast<DWORD>(type);
    std::wstring wideData;
    const BYTE* bytes = reinterpret_cast<const BYTE*>(data.data());
    DWORD size = static_cast<DWORD>(data.size());
    if (IsStringType(rawType)) {
      wideData = Wide(std::string_view(reinterpret_cast<const char*>(data.data()), data.size()));
      bytes = reinterpret_cast<const BYTE*>(wideData.data());
      size = static_cast<DWORD>(wideData.size() * sizeof(wchar_t));
    }
    return Status(RegSetValueExW(Handle(key), Wide(name).c_str(), 0, rawType, bytes, size));
  }

  RegistryStatus CloseKey(RegistryKey key) override { return Status(RegCloseKey(Handle(key))); }

 private:
  static RegistryStatus Opened(LONG result, HKEY opened, RegistryKey& key) {
    if (result == ERROR_SUCCESS) key = FromHandle(opened);
    return Status(result);
  }
};

}  // namespace

std::unique_ptr<Registry> OpenAdvapiRegistry() { return std::make_unique<AdvapiRegistry>(); }

std::unique_ptr<Registry> OpenSystemRegistry() { return WithVirtualStore(OpenAdvapiRegistry()); }

}  // namespace zelmora::platform
