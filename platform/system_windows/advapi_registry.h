#pragma once
// advapi32's registry functions as they stand: no VirtualStore redirection
// and no reading from where earlier releases kept the settings
// (OpenSystemRegistry adds both). For the tests of those.
#include <memory>

#include "platform/registry.h"

namespace zelmora::platform {

// Which of HKEY_LOCAL_MACHINE's two views on 64-bit Windows the keys below it
// are opened in (32-bit Windows has the one).
enum class RegistryView {
  ThirtyTwoBit,  // the one 32-bit programs see: HKLM\Software\WOW6432Node
  SixtyFourBit,
};

std::unique_ptr<Registry> OpenAdvapiRegistry(RegistryView machineView);

}  // namespace zelmora::platform
