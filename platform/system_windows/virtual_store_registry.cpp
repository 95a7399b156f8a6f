#include "platform/system_windows/virtual_store_registry.h"

#include <utility>

#include "core/ascii_text.h"

namespace zelmora::platform {
namespace {

constexpr std::string_view kSoftware = "Software\\";

class VirtualStoreRegistry final : public Registry {
 public:
  VirtualStoreRegistry(std::unique_ptr<Registry> registry, MachineView view)
      : registry_(std::move(registry)), view_(view) {}

  RegistryStatus OpenKey(RegistryRoot root, std::string_view path, RegistryKey& key) override {
    if (root == RegistryRoot::LocalMachine && OpenCopy(path, key)) return RegistryStatus::Success;
    return registry_->OpenKey(root, path, key);
  }

  RegistryStatus CreateKey(RegistryRoot root, std::string_view path, RegistryKey& key) override {
    if (root != RegistryRoot::LocalMachine) return registry_->CreateKey(root, path, key);
    if (OpenCopy(path, key)) return RegistryStatus::Success;
    const RegistryStatus machine = registry_->CreateKey(root, path, key);
    if (machine == RegistryStatus::Success) return machine;
    // Not ours to change (or not there to change): keep this user's settings in their copy.
    return registry_->CreateKey(RegistryRoot::CurrentUser, VirtualStorePath(path, view_), key) ==
                   RegistryStatus::Success
               ? RegistryStatus::Success
               : machine;
  }

  RegistryStatus QueryValue(RegistryKey key, std::string_view name, RegistryValueType* type, std::byte* data,
                            std::uint32_t* size) override {
    return registry_->QueryValue(key, name, type, data, size);
  }

  RegistryStatus SetValue(RegistryKey key, std::string_view name, RegistryValueType type,
                          std::span<const std::byte> data) override {
    return registry_->SetValue(key, name, type, data);
  }

  RegistryStatus CloseKey(RegistryKey key) override { return registry_->CloseKey(key); }

 private:
  bool OpenCopy(std::string_view machinePath, RegistryKey& key) {
    RegistryKey copy{};
    if (registry_->OpenKey(RegistryRoot::CurrentUser, VirtualStorePath(machinePath, view_), copy) !=
        RegistryStatus::Success) {
      return false;
    }
    key = copy;
    return true;
  }

  std::unique_ptr<Registry> registry_;
  MachineView view_;
};

}  // namespace

std::string VirtualStorePath(std::string_view machinePath, MachineView view) {
  std::string path = "Software\\Classes\\VirtualStore\\MACHINE\\";
  // Only HKLM\Software has a 32-bit view of its own.
  if (view == MachineView::Wow6432Node && machinePath.size() > kSoftware.size() &&
      EqualsIgnoringAsciiCase(machinePath.substr(0, kSoftware.size()), kSoftware)) {
    path += machinePath.substr(0, kSoftware.size());
    path += "WOW6432Node\\";
    machinePath.remove_prefix(kSoftware.size());
  }
  return path + std::string(machinePath);
}

std::unique_ptr<Registry> WithVirtualStore(std::unique_ptr<Registry> registry, MachineView view) {
  return std::make_unique<VirtualStoreRegistry>(std::move(registry), view);
}

}  // namespace zelmora::platform
