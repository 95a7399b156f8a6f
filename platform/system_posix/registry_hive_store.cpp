#include "platform/system_posix/registry_hive_store.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <string>

#include "platform/system_posix/registry_hive_file.h"

namespace zelmora::platform {
namespace {

using hive::HiveFile;
using hive::HiveFileState;

RegistryStatus StatusForUnopenedHive(HiveFileState state) {
  switch (state) {
    case HiveFileState::Missing: return RegistryStatus::FileNotFound;
    case HiveFileState::Damaged: return RegistryStatus::RegistryCorrupt;
    case HiveFileState::Unreadable: return RegistryStatus::AccessDenied;
    case HiveFileState::Read: break;
  }
  return RegistryStatus::Success;
}

// A key that was open when its hive vanished or broke underneath it.
RegistryStatus StatusForOpenKeyHive(HiveFileState state) {
  return state == HiveFileState::Missing ? RegistryStatus::KeyDeleted : StatusForUnopenedHive(state);
}

class HiveFileRegistry final : public Registry {
 public:
  explicit HiveFileRegistry(const std::filesystem::path& directory)
      : localMachine_(directory / "HKLM.reg", "HKEY_LOCAL_MACHINE"),
        currentUser_(directory / "HKCU.reg", "HKEY_CURRENT_USER") {}

  RegistryStatus OpenKey(RegistryRoot root, std::string_view path, RegistryKey& key) override {
    if (!hive::IsValidKeyPath(path)) return RegistryStatus::InvalidParameter;
    std::lock_guard lock(mutex_);
    auto loaded = FileFor(root).Load();
    if (loaded.state != HiveFileState::Read) return StatusForUnopenedHive(loaded.state);
    const hive::Key* found = loaded.hive.FindKey(path);
    if (!found) return RegistryStatus::FileNotFound;
    key = AddHandle(root, found->path);
    return RegistryStatus::Success;
  }

  RegistryStatus CreateKey(RegistryRoot root, std::string_view path, RegistryKey& key) override {
    if (!hive::IsValidKeyPath(path)) return RegistryStatus::InvalidParameter;
    std::lock_guard lock(mutex_);
    const HiveFile& file = FileFor(root);
    if (!file.PrepareForWriting()) return RegistryStatus::AccessDenied;
    auto writeLock = file.LockForWriting();
    if (!writeLock.Held()) return RegistryStatus::AccessDenied;

    auto loaded = file.Load();
    if (loaded.state == HiveFileState::Unreadable) return RegistryStatus::AccessDenied;
    if (loaded.state == HiveFileState::Damaged) {
      if (!file.SetAsideDamaged()) return RegistryStatus::CannotWrite;
      loaded = {HiveFileState::Missing, {}};
    }
    const hive::Key* existing = loaded.hive.FindKey(path);
    if (existing) {
      key = AddHandle(root, existing->path);
      return RegistryStatus::Success;
    }
    hive::Key& created = loaded.hive.CreateKey(path);
    if (!file.Store(loaded.hive)) return RegistryStatus::CannotWrite;
    key = AddHandle(root, created.path);
    return RegistryStatus::Success;
  }

  RegistryStatus QueryValue(RegistryKey key, std::string_view name, RegistryValueType* type, std::byte* data,
                            std::uint32_t* size) override {
    if (!size) return RegistryStatus::InvalidParameter;
    std::lock_guard lock(mutex_);
    auto handle = handles_.find(key);
    if (handle == handles_.end()) return RegistryStatus::InvalidHandle;
    auto loaded = FileFor(handle->second.root).Load();
    if (loaded.state != HiveFileState::Read) return StatusForOpenKeyHive(loaded.state);
    const hive::Key* found = loaded.hive.FindKey(handle->second.path);
    if (!found) return RegistryStatus::KeyDeleted;
    const hive::Value* value = found->FindValue(name);
    if (!value) return RegistryStatus::FileNotFound;

    if (type) *type = value->type;
    std::uint32_t needed = static_cast<std::uint32_t>(value->data.size());
    std::uint32_t room = *size;
    *size = needed;
    if (!data) return RegistryStatus::Success;
    if (room < needed) return RegistryStatus::MoreData;
    std::copy(value->data.begin(), value->data.end(), data);
    return RegistryStatus::Success;
  }

  RegistryStatus SetValue(RegistryKey key, std::string_view name, RegistryValueType type,
                          std::span<const std::byte> data) override {
    if (!hive::IsValidValueName(name)) return RegistryStatus::InvalidParameter;
    std::lock_guard lock(mutex_);
    auto handle = handles_.find(key);
    if (handle == handles_.end()) return RegistryStatus::InvalidHandle;
    const HiveFile& file = FileFor(handle->second.root);
    if (!file.PrepareForWriting()) return RegistryStatus::AccessDenied;
    auto writeLock = file.LockForWriting();
    if (!writeLock.Held()) return RegistryStatus::AccessDenied;

    auto loaded = file.Load();
    if (loaded.state != HiveFileState::Read) return StatusForOpenKeyHive(loaded.state);
    hive::Key* found = loaded.hive.FindKey(handle->second.path);
    if (!found) return RegistryStatus::KeyDeleted;
    found->SetValue(name, type, std::vector<std::byte>(data.begin(), data.end()));
    return file.Store(loaded.hive) ? RegistryStatus::Success : RegistryStatus::CannotWrite;
  }

  RegistryStatus CloseKey(RegistryKey key) override {
    std::lock_guard lock(mutex_);
    return handles_.erase(key) == 1 ? RegistryStatus::Success : RegistryStatus::InvalidHandle;
  }

 private:
  struct OpenKeyEntry {
    RegistryRoot root;
    std::string path;
  };

  const HiveFile& FileFor(RegistryRoot root) const {
    return root == RegistryRoot::LocalMachine ? localMachine_ : currentUser_;
  }

  RegistryKey AddHandle(RegistryRoot root, std::string path) {
    auto key = static_cast<RegistryKey>(++lastHandle_);
    handles_.emplace(key, OpenKeyEntry{root, std::move(path)});
    return key;
  }

  HiveFile localMachine_;
  HiveFile currentUser_;
  std::mutex mutex_;
  std::uintptr_t lastHandle_ = 0;
  std::map<RegistryKey, OpenKeyEntry> handles_;
};

}  // namespace

std::unique_ptr<Registry> OpenHiveFileRegistry(std::filesystem::path directory) {
  return std::make_unique<HiveFileRegistry>(directory);
}

}  // namespace zelmora::platform
