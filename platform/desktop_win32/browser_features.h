#pragma once
// The WebBrowser control's feature settings for this program. Windows keeps
// them per executable name under HKEY_CURRENT_USER and reads them when a
// process first starts the control's engine: without them a page shows in
// Internet Explorer 7's document mode, and every navigation clicks. The
// uninstaller removes them with the program.

namespace zelmora::platform::win32 {

// Writes both settings for this program's executable name. Failures are
// left alone: the page then shows as the control does by default.
void SetBrowserFeatures();

}  // namespace zelmora::platform::win32
