#include "platform/system_windows/virtual_store_registry.h"

#include <utility>

namespace zelmora::platform {
namespace {

class VirtualStoreRegistry final : public Registry {
 public:
  explicit VirtualStoreRegistry(std::unique_ptr<Registry> registry) : registry_(std::move(registry)) {}

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
    return registry_->CreateKey(RegistryRoot::CurrentUser, VirtualStorePath(path), key) ==
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
    if (registry_->OpenKey(RegistryRoot::CurrentUser, VirtualStorePath(machinePath), copy) !=
        RegistryStatus::Success) {
      return false;
    }
    key = copy;
    return true;
  }

  std::unique_ptr<Registry> registry_;
};

}  // namespace

std::string VirtualStorePath(std::string_view machinePath) {
  return "Software\\Classes\\VirtualStore\\MACHINE\\" + std::string(machinePath);
}

std::unique_ptr<Registry> WithVirtualStore(std::unique_ptr<Registry> registry) {
  return std::make_unique<VirtualStoreRegistry>(std::move(registry));
}

}  // namespace zelmora::platform
