#include "platform/desktop_qt/pageview/script_box.h"

#include <X11/Xlib.h>
#include <gdk/gdkx.h>

#include <algorithm>

namespace zelmora::platform::qt {
namespace {

constexpr int kMargin = 8;  // between the box and the edges the popup shows

constexpr const char* kStyle = ".zelmora-script-box { background-color: @theme_bg_color; }";

void SetStyle(GtkWidget* box) {
  GtkCssProvider* css = gtk_css_provider_new();
  gtk_css_provider_load_from_data(css, kStyle, -1, nullptr);
  GtkStyleContext* style = gtk_widget_get_style_context(box);
  gtk_style_context_add_provider(style, GTK_STYLE_PROVIDER(css), GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  gtk_style_context_add_class(style, "zelmora-script-box");
  g_object_unref(css);
}

}  // namespace

ScriptBox::ScriptBox(GtkOverlay* overlay, GdkRectangle visible) : visible_(visible) {
  box_ = gtk_event_box_new();
  SetStyle(box_);
  GtkWidget* frame = gtk_frame_new(nullptr);
  gtk_frame_set_shadow_type(GTK_FRAME(frame), GTK_SHADOW_OUT);
  gtk_container_add(GTK_CONTAINER(box_), frame);
  GtkWidget* column = gtk_box_new(GTK_ORIENTATION_VERTICAL, 8);
  g_object_set(column, "margin", 10, nullptr);
  gtk_container_add(GTK_CONTAINER(frame), column);

  message_ = gtk_label_new(nullptr);
  gtk_label_set_line_wrap(GTK_LABEL(message_), TRUE);
  gtk_label_set_line_wrap_mode(GTK_LABEL(message_), PANGO_WRAP_WORD_CHAR);
  gtk_label_set_width_chars(GTK_LABEL(message_), 24);
  gtk_label_set_max_width_chars(GTK_LABEL(message_), 40);
  // A page may say a lot: the box stays inside the popup.
  gtk_label_set_lines(GTK_LABEL(message_), 5);
  gtk_label_set_ellipsize(GTK_LABEL(message_), PANGO_ELLIPSIZE_END);
  gtk_label_set_xalign(GTK_LABEL(message_), 0);
  gtk_box_pack_start(GTK_BOX(column), message_, FALSE, FALSE, 0);

  entry_ = gtk_entry_new();
  gtk_entry_set_activates_default(GTK_ENTRY(entry_), TRUE);
  gtk_box_pack_start(GTK_BOX(column), entry_, FALSE, FALSE, 0);

  GtkWidget* buttons = gtk_button_box_new(GTK_ORIENTATION_HORIZONTAL);
  gtk_button_box_set_layout(GTK_BUTTON_BOX(buttons), GTK_BUTTONBOX_END);
  gtk_box_set_spacing(GTK_BOX(buttons), 6);
  cancel_ = gtk_button_new();
  ok_ = gtk_button_new();
  gtk_widget_set_can_default(ok_, TRUE);
  gtk_container_add(GTK_CONTAINER(buttons), cancel_);
  gtk_container_add(GTK_CONTAINER(buttons), ok_);
  gtk_box_pack_start(GTK_BOX(column), buttons, FALSE, FALSE, 0);
  g_signal_connect_swapped(ok_, "clicked", G_CALLBACK(+[](ScriptBox* self) { self->Answer(true); }), this);
  g_signal_connect_swapped(cancel_, "clicked", G_CALLBACK(+[](ScriptBox* self) { self->Answer(false); }),
                           this);

  // Seen before the buttons see it: a click anywhere on the box.
  press_ = gtk_gesture_multi_press_new(box_);
  gtk_event_controller_set_propagation_phase(GTK_EVENT_CONTROLLER(press_), GTK_PHASE_CAPTURE);
  g_signal_connect(press_, "pressed", G_CALLBACK(Pressed), this);

  gtk_widget_show_all(frame);
  gtk_widget_set_no_show_all(box_, TRUE);
  gtk_overlay_add_overlay(overlay, box_);
  g_signal_connect(overlay, "get-child-position", G_CALLBACK(Place), this);
}

ScriptBox::~ScriptBox() {
  Close();
  g_object_unref(press_);
}

void ScriptBox::Open(WebKitScriptDialog* dialog) {
  Close();  // one question at a time
  dialog_ = webkit_script_dialog_ref(dialog);
  const WebKitScriptDialogType type = webkit_script_dialog_get_dialog_type(dialog);
  const bool leaving = type == WEBKIT_SCRIPT_DIALOG_BEFORE_UNLOAD_CONFIRM;
  gtk_label_set_text(GTK_LABEL(message_), leaving ? "要离开此页吗？页面上的更改可能不会保存。"
                                                  : webkit_script_dialog_get_message(dialog));
  gtk_widget_set_visible(entry_, type == WEBKIT_SCRIPT_DIALOG_PROMPT);
  if (type == WEBKIT_SCRIPT_DIALOG_PROMPT) {
    gtk_entry_set_text(GTK_ENTRY(entry_), webkit_script_dialog_prompt_get_default_text(dialog));
  }
  gtk_widget_set_visible(cancel_, type != WEBKIT_SCRIPT_DIALOG_ALERT);
  gtk_button_set_label(GTK_BUTTON(ok_), leaving ? "离开" : "确定");
  gtk_button_set_label(GTK_BUTTON(cancel_), leaving ? "留下" : "取消");
  gtk_widget_show(box_);
  gtk_widget_grab_default(ok_);
}

void ScriptBox::Answer(bool ok) {
  if (dialog_ == nullptr) return;
  WebKitScriptDialog* dialog = dialog_;
  dialog_ = nullptr;
  gtk_widget_hide(box_);
  GiveKeyboardBack();
  switch (webkit_script_dialog_get_dialog_type(dialog)) {
    case WEBKIT_SCRIPT_DIALOG_CONFIRM:
    case WEBKIT_SCRIPT_DIALOG_BEFORE_UNLOAD_CONFIRM:
      webkit_script_dialog_confirm_set_confirmed(dialog, ok);
      break;
    case WEBKIT_SCRIPT_DIALOG_PROMPT:
      // Cancel leaves the answer empty: the page gets null.
      if (ok) webkit_script_dialog_prompt_set_text(dialog, gtk_entry_get_text(GTK_ENTRY(entry_)));
      break;
    case WEBKIT_SCRIPT_DIALOG_ALERT: break;
  }
  webkit_script_dialog_close(dialog);
  webkit_script_dialog_unref(dialog);
}

gboolean ScriptBox::Place(GtkOverlay*, GtkWidget* child, GdkRectangle* allocation, gpointer self) {
  const GdkRectangle& visible = static_cast<ScriptBox*>(self)->visible_;
  int minimum = 0;
  int natural = 0;
  gtk_widget_get_preferred_width(child, &minimum, &natural);
  const int width = std::max(minimum, std::min(natural, visible.width - 2 * kMargin));
  gtk_widget_get_preferred_height_for_width(child, width, &minimum, &natural);
  const int height = std::max(minimum, std::min(natural, visible.height - 2 * kMargin));
  *allocation = {visible.x + (visible.width - width) / 2, visible.y + (visible.height - height) / 2, width,
                 height};
  return TRUE;
}

void ScriptBox::Pressed(GtkGestureMultiPress*, int, double, double, gpointer self) {
  static_cast<ScriptBox*>(self)->TakeKeyboard();
}

// The popup never takes the keyboard, and the window manager knows nothing of
// the box: a click on it is the user's wish to answer, so it takes the
// keyboard itself.
void ScriptBox::TakeKeyboard() {
  GdkWindow* own = gtk_widget_get_window(gtk_widget_get_toplevel(box_));
  if (own == nullptr || !GDK_IS_X11_WINDOW(own)) return;
  GdkDisplay* display = gdk_window_get_display(own);
  Display* x11 = GDK_DISPLAY_XDISPLAY(display);
  const Window ownWindow = GDK_WINDOW_XID(own);
  if (!tookKeyboard_) {
    Window focus = None;
    int revertTo = 0;
    XGetInputFocus(x11, &focus, &revertTo);
    if (focus == ownWindow) return;
    keyboardBefore_ = focus;
    tookKeyboard_ = true;
  }
  gdk_x11_display_error_trap_push(display);
  XSetInputFocus(x11, ownWindow, RevertToParent, gtk_get_current_event_time());
  gdk_x11_display_error_trap_pop_ignored(display);
  gtk_widget_grab_focus(gtk_widget_get_visible(entry_) ? entry_ : ok_);
}

void ScriptBox::GiveKeyboardBack() {
  if (!tookKeyboard_) return;
  tookKeyboard_ = false;
  GdkDisplay* display = gtk_widget_get_display(box_);
  if (!GDK_IS_X11_DISPLAY(display)) return;
  Display* x11 = GDK_DISPLAY_XDISPLAY(display);
  // Only if it is still ours: the user may have clicked elsewhere meanwhile.
  Window focus = None;
  int revertTo = 0;
  XGetInputFocus(x11, &focus, &revertTo);
  GdkWindow* own = gtk_widget_get_window(gtk_widget_get_toplevel(box_));
  if (own == nullptr || focus != GDK_WINDOW_XID(own)) return;
  gdk_x11_display_error_trap_push(display);
  XSetInputFocus(x11, keyboardBefore_ == None ? PointerRoot : keyboardBefore_, RevertToPointerRoot,
                 CurrentTime);
  gdk_x11_display_error_trap_pop_ignored(display);
}

}  // namespace zelmora::platform::qt
