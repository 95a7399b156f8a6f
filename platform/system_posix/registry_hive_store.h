#pragma once
// The registry functions over one hive file per root in `directory`:
// HKLM.reg for HKEY_LOCAL_MACHINE, HKCU.reg for HKEY_CURRENT_USER.
//
// A damaged hive opens as no key at all (RegistryCorrupt) and is never
// overwritten in place: the next CreateKey sets it aside under a
// ".damaged-<time>" name and starts a fresh hive. CreateKey and SetValue fail
// with AccessDenied when the directory cannot be written, so a read-only store
// refuses a save up front instead of half-way.

#include <filesystem>
#include <memory>

#include "platform/registry.h"

namespace zelmora::platform {

std::unique_ptr<Registry> OpenHiveFileRegistry(std::filesystem::path directory);

}  // namespace zelmora::platform
