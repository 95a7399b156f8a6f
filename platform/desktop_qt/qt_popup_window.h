#pragma once
#include <memory>

#include "platform/desktop.h"

namespace zelmora::platform::qt {

// The notification popup on Qt: a small always-on-top window that never takes
// the focus. Its page view runs in the zelmora-pageview helper, started on the
// first navigation and embedded into the window, so the web engine costs
// nothing until a page is needed.
std::unique_ptr<platform::PopupWindow> CreateQtPopupWindow(const platform::PopupSpec& design);

}  // namespace zelmora::platform::qt
