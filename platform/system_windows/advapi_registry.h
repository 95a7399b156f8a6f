#pragma once
// advapi32's registry functions as they stand: no VirtualStore redirection
// (OpenSystemRegistry adds it). For the tests of that redirection.
#include <memory>

#include "platform/registry.h"

namespace zelmora::platform {

std::unique_ptr<Registry> OpenAdvapiRegistry();

}  // namespace zelmora::platform
