#include "platform/desktop_qt/pageview/engine_setup.h"

namespace zelmora::platform::qt {

// Measured on the whole helper (all its processes, proportional memory) with a
// small task page, 2026-12-09:
// - no hardware acceleration: 205 -> 160 MB. Virtual and remote displays have
//   no GPU, and a page of 300 by 200 pixels needs none; this also keeps the
//   engine's GL compositor out of the page's process.
// - the document-viewer cache model: about 5 MB less; it keeps no pages and
//   no decoded images for a later visit, which the popup never makes.
// - one web process: the engine's default here, kept on purpose. Swapping
//   processes for a link to another site in the popup cost six more processes
//   and 40 MB, and 0.5 s instead of 25 ms for the next page.
// - the back/forward page cache made no measurable difference (the
//   document-viewer model holds none back, and the popup has no Back), so it is
//   left as the engine sets it.
WebKitWebView* CreatePopupWebView() {
  // Off the record: cookies, storage and cache live in memory and go with the helper.
  WebKitWebsiteDataManager* data = webkit_website_data_manager_new_ephemeral();
  WebKitWebContext* context =
      WEBKIT_WEB_CONTEXT(g_object_new(WEBKIT_TYPE_WEB_CONTEXT, "website-data-manager", data,
                                      "process-swap-on-cross-site-navigation-enabled", FALSE, nullptr));
  g_object_unref(data);
  // The page arrives over plain HTTP from a server anyone on the path can stand
  // in for: its process runs in the engine's sandbox (bubblewrap).
  webkit_web_context_set_sandbox_enabled(context, TRUE);
  webkit_web_context_set_cache_model(context, WEBKIT_CACHE_MODEL_DOCUMENT_VIEWER);

  WebKitSettings* settings = webkit_settings_new();
  webkit_settings_set_hardware_acceleration_policy(settings, WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
  auto* view = WEBKIT_WEB_VIEW(
      g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", context, "settings", settings, nullptr));
  g_object_unref(settings);
  g_object_unref(context);
  return view;
}

}  // namespace zelmora::platform::qt
