#pragma once
#include <webkit2/webkit2.h>

namespace zelmora::platform::qt {

// A page's alert, confirm, prompt and leave-this-page question, drawn inside
// the popup over the page rather than in a window of its own: so it is above
// the popup, has no task-bar button, and goes wherever the popup goes. It takes
// the keyboard only when the user clicks it, and gives it back when it closes.
class ScriptBox {
 public:
  // visible: the part of the view that the popup shows, in view coordinates.
  ScriptBox(GtkOverlay* overlay, GdkRectangle visible);
  ~ScriptBox();
  ScriptBox(const ScriptBox&) = delete;
  ScriptBox& operator=(const ScriptBox&) = delete;

  // Shows the page's question and answers it once the user has chosen.
  void Open(WebKitScriptDialog* dialog);
  // Closes the box as Cancel does (a question to leave the page: stay).
  void Close() { Answer(false); }

 private:
  static gboolean Place(GtkOverlay* overlay, GtkWidget* child, GdkRectangle* allocation, gpointer self);
  static void Pressed(GtkGestureMultiPress* gesture, int presses, double x, double y, gpointer self);
  void Answer(bool ok);
  void TakeKeyboard();
  void GiveKeyboardBack();

  GdkRectangle visible_;
  GtkWidget* box_;
  GtkWidget* message_;
  GtkWidget* entry_;
  GtkWidget* ok_;
  GtkWidget* cancel_;
  GtkGesture* press_;
  WebKitScriptDialog* dialog_ = nullptr;
  bool tookKeyboard_ = false;
  unsigned long keyboardBefore_ = 0;  // the X window that had the keyboard before
};

}  // namespace zelmora::platform::qt
