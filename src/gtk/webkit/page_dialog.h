#pragma once
#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <string>

#include "browsing/page_dialog_rule.h"

namespace tabulon::gtk {

// A page's alert, confirm, prompt and leave-page question, drawn over its
// own tab's page instead of in a window that would hold up the program. The
// engine waits for the answer; meanwhile the user may switch tabs, use the
// menus, close the tab or quit. A closing tab answers its open dialog, which
// lets the engine go on.
class PageDialog {
 public:
  PageDialog(WebKitWebView* view, GtkLayout* parent);
  ~PageDialog();
  PageDialog(const PageDialog&) = delete;
  PageDialog& operator=(const PageDialog&) = delete;

  // The page's place while its tab is current, in pixels of the layout.
  void Place(int x, int y, int width, int height);
  // The tab's page came to the front or left it.
  void PageShown(bool shown);

  bool IsOpen() const { return dialog_ != nullptr; }
  std::string Message() const;
  // The offer to stop the page's dialogs, shown from its second dialog on.
  GtkToggleButton* StopCheck() const { return GTK_TOGGLE_BUTTON(stop_); }
  bool OffersToStop() const { return IsOpen() && gtk_widget_get_visible(stop_); }
  // Answers the open dialog: accept is OK (or 離れる), else cancel.
  void Answer(bool accept);

 private:
  void Open(WebKitScriptDialog* dialog);
  void Refresh();
  static gboolean OnScriptDialog(WebKitWebView*, WebKitScriptDialog* dialog, gpointer self);
  static void OnLoadChanged(WebKitWebView*, WebKitLoadEvent event, gpointer self);
  static gboolean OnKey(GtkWidget*, GdkEventKey* event, gpointer self);

  WebKitWebView* view_;
  GtkLayout* parent_;
  PageDialogPolicy policy_;
  WebKitScriptDialog* dialog_ = nullptr;  // the one waiting for its answer
  PageDialogKind kind_ = PageDialogKind::kAlert;
  bool page_shown_ = false;
  int x_ = 0, y_ = 0, width_ = 0;

  GtkWidget* frame_;
  GtkWidget* message_;
  GtkWidget* entry_;
  GtkWidget* stop_;
  GtkWidget* accept_;
  GtkWidget* refuse_;
};

}  // namespace tabulon::gtk
