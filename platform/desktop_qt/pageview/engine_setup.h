#pragma once
#include <webkit2/webkit2.h>

namespace zelmora::platform::qt {

// The popup's web view. The popup shows a 300 by 200 page for a few seconds per
// task, so the engine is set up for memory, not speed, writes nothing to disk,
// and keeps its sandbox.
WebKitWebView* CreatePopupWebView();

}  // namespace zelmora::platform::qt
