#pragma once
// The reminder's own per-user choices, kept apart from the seven machine-wide
// values: HKEY_CURRENT_USER "Software\zelmora\reminder", strings "1" and "0"
// like the machine-wide flags.
#include "platform/registry.h"

namespace zelmora::settings {

// Off when nothing is stored or the key cannot be read.
bool LoadNewTaskSound(platform::Registry& registry);
// Throws ERegistryError when the key cannot be created or the value not written.
void SaveNewTaskSound(platform::Registry& registry, bool on);

}  // namespace zelmora::settings
