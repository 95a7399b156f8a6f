#pragma once
#include <webkit2/webkit2.h>

#include <memory>
#include <string>
#include <string_view>

#include "platform/desktop_qt/pageview/script_box.h"

namespace zelmora::platform::qt {

// The popup's web page: carries out the reminder's commands and reports each
// finished load. It keeps the page in its place: until a page has loaded
// nobody has seen it (the popup waits out of sight for the load), so a box it
// opens then is answered at once; the question whether to leave a page never
// holds back the reminder's next page; only http and https are loaded; a new
// window the user asked for goes to the user's browser, any other is refused;
// and a page out of sight is silent, and stopped once it has loaded.
class PageHost {
 public:
  // window holds overlay, which holds the view; visible is the part of the
  // view the popup shows. Events are written to the descriptor events.
  PageHost(GtkWidget* window, GtkOverlay* overlay, WebKitWebView* view, GdkRectangle visible, int events);
  PageHost(const PageHost&) = delete;
  PageHost& operator=(const PageHost&) = delete;

  void HandleCommand(std::string_view line);

 private:
  static void LoadChanged(WebKitWebView* view, WebKitLoadEvent event, gpointer self);
  static gboolean LoadFailed(WebKitWebView* view, WebKitLoadEvent event, char* address, GError* error,
                             gpointer self);
  static gboolean DecidePolicy(WebKitWebView* view, WebKitPolicyDecision* decision,
                               WebKitPolicyDecisionType type, gpointer self);
  static GtkWidget* CreateWindow(WebKitWebView* view, WebKitNavigationAction* action, gpointer self);
  static gboolean ScriptDialog(WebKitWebView* view, WebKitScriptDialog* dialog, gpointer self);
  static void ProcessEnded(WebKitWebView* view, WebKitWebProcessTerminationReason reason, gpointer self);

  void Navigate(const std::string& address);
  void Hide();
  void Show();
  void Stop();
  void Load(const std::string& address, bool quiet);
  void TakeAccount(const char* address);
  void ShowError(const std::string& address, const char* why);
  void OfferToBrowser(WebKitNavigationAction* action);
  void WriteEvent(std::string_view event);

  GtkWidget* window_;
  WebKitWebView* view_;
  ScriptBox box_;
  int events_;
  bool shown_ = true;
  bool ourLoadAsked_ = false;   // a load of ours was asked for and has not started yet
  std::string askedAddress_;    // ... of this address
  bool askedQuiet_ = false;     // ... and is not to be reported
  bool quiet_ = false;          // the load under way is not reported (stopping, bringing back, error page)
  bool committed_ = false;      // ... has committed
  bool loaded_ = false;         // the page under way has finished loading
  bool failed_ = false;         // ... and failed
  bool superseded_ = false;     // ... or was cut short by a load of ours
  bool stopped_ = false;        // out of sight and blanked
  std::string stoppedAddress_;  // what comes back when the popup shows again
  bool reloadedAfterCrash_ = false;
};

}  // namespace zelmora::platform::qt
