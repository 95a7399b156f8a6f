#pragma once
// The lines the reminder and its page-view helper (zelmora-pageview) exchange.
// The helper renders the popup's web page in a process of its own, so the
// reminder never loads the web engine and idles small.
//
// Command line:  zelmora-pageview --parent <X window id> --view <x>,<y>,<w>,<h>
//   The view becomes a child of the given window, at the given bounds (which may
//   overhang it). Without --parent the view is a top-level window of its own.
// Reminder -> helper, one command a line on stdin (UTF-8):
//   navigate <address>   load the reminder's page (http and https only)
//   hide                 the popup went out of sight: the page is silenced, its
//                        boxes closed, and it is stopped once it has loaded
//   show                 the popup is back: the stopped page comes back too
// Helper -> reminder, one event a line on stdout:
//   navigating                   at once for every navigate command: the helper is alive
//   loaded ok | loaded error     every finished load, error pages included, but not
//                                the stopping and bringing back of a hidden page
//   open <address>               the user asked the page for a new window: for the
//                                user's browser (http and https only)
// The helper quits when its stdin closes, so it never outlives the reminder.

namespace zelmora::platform::qt {

inline constexpr const char* kProgramName = "zelmora-pageview";
inline constexpr const char* kParentOption = "--parent";
inline constexpr const char* kViewOption = "--view";

inline constexpr const char* kNavigateCommand = "navigate ";
inline constexpr const char* kHideCommand = "hide";
inline constexpr const char* kShowCommand = "show";
inline constexpr const char* kNavigatingEvent = "navigating";
inline constexpr const char* kLoadedOkEvent = "loaded ok";
inline constexpr const char* kLoadedErrorEvent = "loaded error";
inline constexpr const char* kOpenEvent = "open ";

}  // namespace zelmora::platform::qt
