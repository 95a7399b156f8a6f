// The system registry on Windows: advapi32's wide-character functions, with
// UTF-8 converted to UTF-16 and back at this edge. String data keeps embedded
// and terminating zeros through the conversion, so the store's rules hold.
//
// Machine-wide keys are kept in HKLM's 32-bit view on every build: where the
// 32-bit builds, 32-bit tools (reg.exe /reg:32, scripts run from a 32-bit
// shell) and Windows' VirtualStore for 32-bit programs put them, so that all
// of them share one store.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <utility>
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
  explicit AdvapiRegistry(RegistryView machineView)
      : machineView_(machineView == RegistryView::ThirtyTwoBit ? KEY_WOW64_32KEY : KEY_WOW64_64KEY) {}

  RegistryStatus OpenKey(RegistryRoot root, std::string_view path, RegistryKey& key) override {
    HKEY opened = nullptr;
    const LONG result = RegOpenKeyExW(RootHandle(root), Wide(path).c_str(), 0, Access(root), &opened);
    return Opened(result, opened, key);
  }

  RegistryStatus CreateKey(RegistryRoot root, std::string_view path, RegistryKey& key) override {
    HKEY opened = nullptr;
    const LONG result = RegCreateKeyExW(RootHandle(root), Wide(path).c_str(), 0, nullptr,
                                        REG_OPTION_NON_VOLATILE, Access(root), nullptr, &opened, nullptr);
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
  // Full access; the view matters below HKEY_LOCAL_MACHINE only.
  REGSAM Access(RegistryRoot root) const {
    return KEY_ALL_ACCESS | (root == RegistryRoot::LocalMachine ? machineView_ : 0);
  }
  static RegistryStatus Opened(LONG result, HKEY opened, RegistryKey& key) {
    if (result == ERROR_SUCCESS) key = FromHandle(opened);
    return Status(result);
  }

  REGSAM machineView_;
};

// Earlier releases kept the machine-wide keys in the 64-bit view (and a
// user's copy of them under the same name). A key that cannot be opened where
// it is kept now is read from there, so that an upgrade keeps showing the
// settings saved before it; saving always goes to where they are kept now.
class EarlierPlaceFallback final : public Registry {
 public:
  EarlierPlaceFallback(std::unique_ptr<Registry> current, std::unique_ptr<Registry> earlier)
      : current_(std::move(current)), earlier_(std::move(earlier)) {}

  RegistryStatus OpenKey(RegistryRoot root, std::string_view path, RegistryKey& key) override {
    const RegistryStatus status = current_->OpenKey(root, path, key);
    if (status == RegistryStatus::Success || root != RegistryRoot::LocalMachine) return status;
    RegistryKey earlierKey{};
    if (earlier_->OpenKey(root, path, earlierKey) != RegistryStatus::Success) return status;
    key = earlierKey;
    fromEarlier_.insert(key);
    return RegistryStatus::Success;
  }

  RegistryStatus CreateKey(RegistryRoot root, std::string_view path, RegistryKey& key) override {
    return current_->CreateKey(root, path, key);
  }

  RegistryStatus QueryValue(RegistryKey key, std::string_view name, RegistryValueType* type, std::byte* data,
                            std::uint32_t* size) override {
    return Of(key).QueryValue(key, name, type, data, size);
  }

  RegistryStatus SetValue(RegistryKey key, std::string_view name, RegistryValueType type,
                          std::span<const std::byte> data) override {
    return Of(key).SetValue(key, name, type, data);
  }

  RegistryStatus CloseKey(RegistryKey key) override {
    Registry& registry = Of(key);
    fromEarlier_.erase(key);
    return registry.CloseKey(key);
  }

 private:
  Registry& Of(RegistryKey key) { return fromEarlier_.contains(key) ? *earlier_ : *current_; }

  std::unique_ptr<Registry> current_;
  std::unique_ptr<Registry> earlier_;
  std::set<RegistryKey> fromEarlier_;
};

// Whether HKLM\Software has a separate 32-bit view: on 64-bit Windows.
bool MachineHasTwoViews() {
  BOOL emulated = FALSE;  // a 32-bit build on 64-bit Windows
  return sizeof(void*) == 8 || (IsWow64Process(GetCurrentProcess(), &emulated) && emulated);
}

}  // namespace

std::unique_ptr<Registry> OpenAdvapiRegistry(RegistryView machineView) {
  return std::make_unique<AdvapiRegistry>(machineView);
}

std::unique_ptr<Registry> OpenSystemRegistry() {
  const MachineView shared = MachineHasTwoViews() ? MachineView::Wow6432Node : MachineView::AsNamed;
  return std::make_unique<EarlierPlaceFallback>(
      WithVirtualStore(OpenAdvapiRegistry(RegistryView::ThirtyTwoBit), shared),
      WithVirtualStore(OpenAdvapiRegistry(RegistryView::SixtyFourBit)));
}

}  // namespace zelmora::platform
