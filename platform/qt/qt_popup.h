#pragma once
#include <memory>

#include "platform/desktop.h"

namespace zelmora::qt {

// The notification window on the Qt desktop.
std::unique_ptr<platform::PopupWindow> CreateQtPopup(const platform::PopupSpec& spec);

}  // namespace zelmora::qt
