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
// nothing until a page is needed. A helper that cannot show the page is
// reported through the page-view trouble handler and by a line in the popup.
// pageViewProgram: the helper to start; empty for the one installed with the program.
std::unique_ptr<platform::PopupWindow> CreateQtPopupWindow(platform::Desktop& desktop,
                                                           const platform::PopupSpec& design,
                                                           QtPopupTiming timing = {},
                                                           QString pageViewProgram = {});

}  // namespace zelmora::platform::qt
