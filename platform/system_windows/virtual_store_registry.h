#pragma once
// Machine-wide keys for a user who may not change them. Windows keeps such a
// user's copy of HKLM\<path> at HKCU\Software\Classes\VirtualStore\MACHINE\<path>
// and lets it win over the machine-wide key, but only for old 32-bit programs;
// this layer does the same for us:
// - opening a machine-wide key opens the user's copy whenever it exists, and
//   the machine-wide key only when there is none;
// - creating one creates (or opens) the user's copy whenever the machine-wide
//   key cannot be created or opened with full access, and also whenever the
//   copy already exists, so that a save always lands where the next load reads.
// Keys under HKEY_CURRENT_USER pass through unchanged.
//
// It only calls the registry functions it wraps, so it builds and is tested
// on every system.
#include <memory>
#include <string>
#include <string_view>

#include "platform/registry.h"

namespace zelmora::platform {

// Where the wrapped registry's machine-wide keys lie. On 64-bit Windows the
// keys of HKLM\Software that 32-bit programs see lie below Software\WOW6432Node,
// and Windows keeps those programs' copies below the same name.
enum class MachineView {
  AsNamed,      // the path as given (the 64-bit view, or 32-bit Windows)
  Wow6432Node,  // the 32-bit view on 64-bit Windows
};

// The user's copy of the machine-wide key at `machinePath`, below HKEY_CURRENT_USER.
std::string VirtualStorePath(std::string_view machinePath, MachineView view = MachineView::AsNamed);

std::unique_ptr<Registry> WithVirtualStore(std::unique_ptr<Registry> registry,
                                           MachineView view = MachineView::AsNamed);

}  // namespace zelmora::platform
