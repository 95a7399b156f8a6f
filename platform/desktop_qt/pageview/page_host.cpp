#include "platform/desktop_qt/pageview/page_host.h"

#include <unistd.h>

#include <cerrno>
#include <initializer_list>
#include <string>
#include <string_view>

#include "platform/desktop_qt/pageview/pageview_protocol.h"

namespace zelmora::platform::qt {
namespace {

constexpr const char* kBlank = "about:blank";

bool SchemeIs(const char* address, std::initializer_list<const char*> schemes) {
  const char* scheme = g_uri_peek_scheme(address);  // lower case, interned; null when there is none
  if (scheme == nullptr) return false;
  for (const char* allowed : schemes) {
    if (g_str_equal(scheme, allowed)) return true;
  }
  return false;
}

bool IsWeb(const char* address) { return SchemeIs(address, {"http", "https"}); }

// The web, and what pages build their frames from; never local files, and
// never a program of the system's (mail, chat, ...) started for a page.
bool MayNavigate(const char* address) {
  return SchemeIs(address, {"http", "https", "about", "data", "blob"});
}

std::string ErrorPage(const char* why) {
  gchar* text = g_markup_escape_text(why, -1);
  std::string page =
      "<html><head><meta charset='utf-8'></head>"
      "<body style='font: 13px sans-serif; margin: 10px; background: #fff; color: #000'>"
      "<p>无法打开任务页。</p><p style='color: #555'>";
  page += text;
  page += "</p></body></html>";
  g_free(text);
  return page;
}

}  // namespace

PageHost::PageHost(GtkWidget* window, GtkOverlay* overlay, WebKitWebView* view, GdkRectangle visible,
                   int events)
    : window_(window), view_(view), box_(overlay, visible), events_(events) {
  g_signal_connect(view, "load-changed", G_CALLBACK(LoadChanged), this);
  g_signal_connect(view, "load-failed", G_CALLBACK(LoadFailed), this);
  g_signal_connect(view, "decide-policy", G_CALLBACK(DecidePolicy), this);
  g_signal_connect(view, "create", G_CALLBACK(CreateWindow), this);
  g_signal_connect(view, "script-dialog", G_CALLBACK(ScriptDialog), this);
  g_signal_connect(view, "web-process-terminated", G_CALLBACK(ProcessEnded), this);
  // Whatever would open a window of its own, outside the popup and left behind
  // when it hides: the engine's menu, printing, choosing files or colours,
  // full screen. Downloads would land in the user's files unasked.
  g_signal_connect(view, "context-menu", G_CALLBACK(+[] { return TRUE; }), nullptr);
  g_signal_connect(view, "print", G_CALLBACK(+[] { return TRUE; }), nullptr);
  g_signal_connect(view, "enter-fullscreen", G_CALLBACK(+[] { return TRUE; }), nullptr);
  g_signal_connect(view, "run-file-chooser",
                   G_CALLBACK(+[](WebKitWebView*, WebKitFileChooserRequest* request) {
                     webkit_file_chooser_request_cancel(request);
                     return TRUE;
                   }),
                   nullptr);
  g_signal_connect(view, "run-color-chooser",
                   G_CALLBACK(+[](WebKitWebView*, WebKitColorChooserRequest* request) {
                     webkit_color_chooser_request_cancel(request);
                     return TRUE;
                   }),
                   nullptr);
  g_signal_connect(
      webkit_web_view_get_context(view), "download-started",
      G_CALLBACK(+[](WebKitWebContext*, WebKitDownload* download) { webkit_download_cancel(download); }),
      nullptr);
  // Starts the page's process now, while the reminder may still be waiting to
  // ask for its page (the engine takes a while to start).
  Load(kBlank, true);
}

void PageHost::HandleCommand(std::string_view line) {
  if (line.starts_with(kNavigateCommand)) {
    Navigate(std::string(line.substr(std::char_traits<char>::length(kNavigateCommand))));
  } else if (line == kHideCommand) {
    Hide();
  } else if (line == kShowCommand) {
    Show();
  }
}

void PageHost::Navigate(const std::string& address) {
  // A box of the old page holds the page up: it goes with the page.
  box_.Close();
  stopped_ = false;
  reloadedAfterCrash_ = false;
  WriteEvent(kNavigatingEvent);
  if (IsWeb(address.c_str())) {
    Load(address, false);
  } else {
    ShowError(address, "只能打开 http 和 https 地址。");
    WriteEvent(kLoadedErrorEvent);
  }
}

void PageHost::Hide() {
  shown_ = false;
  webkit_web_view_set_is_muted(view_, TRUE);
  box_.Close();
  // The page learns it is hidden (its timers slow down, its drawing stops).
  gtk_widget_hide(window_);
  // A page still loading finishes first: the reminder may be waiting for it.
  if (!ourLoadAsked_ && !webkit_web_view_is_loading(view_)) Stop();
}

void PageHost::Show() {
  shown_ = true;
  reloadedAfterCrash_ = false;
  webkit_web_view_set_is_muted(view_, FALSE);
  gtk_widget_show(window_);
  if (!stopped_) return;
  stopped_ = false;
  if (!stoppedAddress_.empty()) Load(stoppedAddress_, true);
}

// A page out of sight has nothing to do: it might play sound, reload itself or
// keep asking the server. It is left for a blank one, and comes back on Show.
void PageHost::Stop() {
  if (stopped_) return;
  stopped_ = true;
  const char* address = webkit_web_view_get_uri(view_);
  stoppedAddress_ = address != nullptr && !g_str_equal(address, kBlank) ? address : "";
  if (!stoppedAddress_.empty()) Load(kBlank, true);
}

void PageHost::Load(const std::string& address, bool quiet) {
  ourLoadAsked_ = true;
  askedAddress_ = address;
  askedQuiet_ = quiet;
  webkit_web_view_load_uri(view_, address.c_str());
}

void PageHost::ShowError(const std::string& address, const char* why) {
  ourLoadAsked_ = true;
  askedAddress_ = address;
  askedQuiet_ = true;
  webkit_web_view_load_alternate_html(view_, ErrorPage(why).c_str(), address.c_str(), nullptr);
}

// Whose load this is becomes clear when it commits (or fails before): until
// then the engine reports the address asked for last, and a blank page of
// ours (stopping, starting up) may still be on its way when the reminder asks
// for its page.
void PageHost::TakeAccount(const char* address) {
  if (address != nullptr && g_str_equal(address, kBlank) && askedAddress_ != kBlank) {
    quiet_ = true;  // an overtaken blank page: the newer load keeps its account
    return;
  }
  quiet_ = ourLoadAsked_ && askedQuiet_;
  ourLoadAsked_ = false;
  askedQuiet_ = false;
}

void PageHost::LoadChanged(WebKitWebView* view, WebKitLoadEvent event, gpointer self) {
  auto& host = *static_cast<PageHost*>(self);
  switch (event) {
    case WEBKIT_LOAD_STARTED:
      host.quiet_ = false;
      host.committed_ = false;
      host.loaded_ = false;
      host.failed_ = false;
      host.superseded_ = false;
      break;
    case WEBKIT_LOAD_REDIRECTED: break;
    case WEBKIT_LOAD_COMMITTED:
      host.committed_ = true;
      host.TakeAccount(webkit_web_view_get_uri(view));
      break;
    case WEBKIT_LOAD_FINISHED:
      host.loaded_ = true;
      if (!host.quiet_ && !host.superseded_) {
        host.WriteEvent(host.failed_ ? kLoadedErrorEvent : kLoadedOkEvent);
      }
      if (!host.shown_ && !host.ourLoadAsked_) host.Stop();
      break;
  }
}

gboolean PageHost::LoadFailed(WebKitWebView*, WebKitLoadEvent, char* address, GError* error, gpointer self) {
  auto& host = *static_cast<PageHost*>(self);
  if (host.ourLoadAsked_ && g_error_matches(error, WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_CANCELLED)) {
    host.superseded_ = true;  // the reminder's next page, or our own stopping
    return TRUE;
  }
  host.failed_ = true;
  if (!host.committed_) host.TakeAccount(address);
  // Stopped by the page, or a download refused: the page stays as it is.
  if (g_error_matches(error, WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_CANCELLED) ||
      g_error_matches(error, WEBKIT_POLICY_ERROR,
                      WEBKIT_POLICY_ERROR_FRAME_LOAD_INTERRUPTED_BY_POLICY_CHANGE)) {
    return TRUE;
  }
  // Our own short error page instead of the engine's, which is made for a browser window.
  if (!g_str_equal(address, kBlank)) host.ShowError(address, error->message);
  return TRUE;
}

gboolean PageHost::DecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision, WebKitPolicyDecisionType type,
                                gpointer self) {
  auto& host = *static_cast<PageHost*>(self);
  switch (type) {
    case WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION: {
      WebKitNavigationAction* action = webkit_navigation_policy_decision_get_navigation_action(
          WEBKIT_NAVIGATION_POLICY_DECISION(decision));
      if (MayNavigate(webkit_uri_request_get_uri(webkit_navigation_action_get_request(action)))) return FALSE;
      webkit_policy_decision_ignore(decision);
      return TRUE;
    }
    case WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION:
      host.OfferToBrowser(webkit_navigation_policy_decision_get_navigation_action(
          WEBKIT_NAVIGATION_POLICY_DECISION(decision)));
      webkit_policy_decision_ignore(decision);
      return TRUE;
    case WEBKIT_POLICY_DECISION_TYPE_RESPONSE:
      if (webkit_response_policy_decision_is_mime_type_supported(WEBKIT_RESPONSE_POLICY_DECISION(decision))) {
        return FALSE;
      }
      webkit_policy_decision_ignore(decision);  // a download
      return TRUE;
  }
  return FALSE;
}

GtkWidget* PageHost::CreateWindow(WebKitWebView*, WebKitNavigationAction* action, gpointer self) {
  static_cast<PageHost*>(self)->OfferToBrowser(action);
  return nullptr;
}

// A link or button the user clicked may open a page in the user's browser; a
// page opening windows by itself gets none.
void PageHost::OfferToBrowser(WebKitNavigationAction* action) {
  if (!webkit_navigation_action_is_user_gesture(action)) return;
  const std::string address = webkit_uri_request_get_uri(webkit_navigation_action_get_request(action));
  if (!IsWeb(address.c_str()) || address.find_first_of("\r\n") != std::string::npos) return;
  WriteEvent(kOpenEvent + address);
}

gboolean PageHost::ScriptDialog(WebKitWebView*, WebKitScriptDialog* dialog, gpointer self) {
  auto& host = *static_cast<PageHost*>(self);
  const bool leaving =
      webkit_script_dialog_get_dialog_type(dialog) == WEBKIT_SCRIPT_DIALOG_BEFORE_UNLOAD_CONFIRM;
  if (host.shown_ && host.loaded_ && !(leaving && host.ourLoadAsked_)) {
    host.box_.Open(dialog);
    return TRUE;
  }
  // Nobody has seen the page yet, or nobody sees it now, or the reminder
  // replaces it: answered at once, as Cancel would (but the page is left).
  if (leaving) webkit_script_dialog_confirm_set_confirmed(dialog, TRUE);
  if (webkit_script_dialog_get_dialog_type(dialog) == WEBKIT_SCRIPT_DIALOG_CONFIRM) {
    webkit_script_dialog_confirm_set_confirmed(dialog, FALSE);
  }
  return TRUE;
}

// The page's own process died (a crash, or out of memory): the page is loaded
// again once, as it was, rather than leaving a blank popup.
void PageHost::ProcessEnded(WebKitWebView* view, WebKitWebProcessTerminationReason reason, gpointer self) {
  auto& host = *static_cast<PageHost*>(self);
  host.box_.Close();
  if (reason == WEBKIT_WEB_PROCESS_TERMINATED_BY_API || host.reloadedAfterCrash_) return;
  host.reloadedAfterCrash_ = true;
  const char* address = webkit_web_view_get_uri(view);
  if (address == nullptr || g_str_equal(address, kBlank)) return;
  // Reported as a load only when the reminder was still waiting for it.
  host.Load(address, host.quiet_ || host.loaded_);
}

void PageHost::WriteEvent(std::string_view event) {
  std::string line(event);
  line += '\n';
  std::string_view rest = line;
  while (!rest.empty()) {
    const ssize_t written = ::write(events_, rest.data(), rest.size());
    if (written < 0 && errno == EINTR) continue;
    // The reminder has gone: its closed pipe ends this process soon.
    if (written <= 0) return;
    rest.remove_prefix(static_cast<std::size_t>(written));
  }
}

}  // namespace zelmora::platform::qt
