#pragma once
#include <chrono>
#include <memory>

#include "platform/desktop.h"
#include "platform/desktop_qt/pageview/page_view_client.h"

namespace zelmora::platform::qt {

// How long the popup stays hidden, with nothing loading, before its page view
// is given back: the popup shows a few seconds per task, and the helper with its
// engine costs far more memory than the whole reminder.
inline constexpr std::chrono::seconds kPageViewReleaseDelay{60};

struct QtPopupTiming {
  std::chrono::milliseconds releaseDelay = kPageViewReleaseDelay;
  PageViewTiming pageView;
};

// The notification popup on Qt: a small always-on-top window that never takes
// the focus. Its page view runs in the zelmora-pageview helper, started on the
// first navigation and embedded into the window, so the web engine costs
// nothing until a page is needed. Failures of the helper go to the desktop's
// default error report.
std::unique_ptr<platform::PopupWindow> CreateQtPopupWindow(platform::Desktop& desktop,
                                                           const platform::PopupSpec& design,
                                                           QtPopupTiming timing = {});

}  // namespace zelmora::platform::qt
