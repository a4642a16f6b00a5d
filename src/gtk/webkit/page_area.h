#pragma once
#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <memory>
#include <string>

#include "browsing/download_gate.h"
#include "gtk/question_bar.h"
#include "gtk/webkit/find_bar.h"
#include "gtk/webkit/page_dialog.h"
#include "platform/browser.h"

namespace tabulon::gtk {

// What one tab's page area does besides showing the page: its own keys
// (find, print, zoom), wherever the focus is in the window, Ctrl+wheel zoom,
// the page's own dialogs,
// and turning responses the engine cannot show into downloads. Reports go
// to the window through the browser's events, like the page's own.
class PageArea {
 public:
  PageArea(WebKitWebView* view, GtkLayout* parent, BrowserEvents& events, int index);
  ~PageArea();
  PageArea(const PageArea&) = delete;
  PageArea& operator=(const PageArea&) = delete;

  // The page area of a tab's view, nullptr for a view that has none.
  static PageArea* Of(WebKitWebView* view);

  // Panel 1 (for the current tab) and panel 2 of the status bar.
  void ShowStatus(const std::string& text);
  void ShowProgress(int permille);

  FindBar& Finder() { return find_bar_; }
  PageDialog& Dialog() { return dialog_; }
  QuestionBar& DownloadQuestion() { return download_bar_; }
  // A download from the page wants its save dialog: whether it may ask now,
  // is held for the user's 許可 (shown over the page), or is dropped.
  DownloadGate::Verdict DownloadArrived();
  // The user asked for a page in this tab (the URL box, a favourite, a
  // link opened in a new tab): a download that comes of it is the user's
  // own. It is no gesture for the page's scripts: they may not print on it.
  void UserActed() { last_request_us_ = g_get_monotonic_time(); }
  double ZoomLevel() const;
  void ZoomIn();
  void ZoomOut();
  void ResetZoom();
  // The GTK print dialog for the page; its printers include a PDF file.
  void Print();
  // Whether the page waits on the user (a dialog of its own, or printing),
  // so that its process is rightly slow to answer.
  bool WaitsOnUser() const;
  // Whether the page must stay in the engine: the user typed in it since
  // it loaded, or it waits on the user.
  bool KeepsPage() const;
  // The page's keys (find, print, zoom) and Ctrl+wheel, which the window
  // hands on when the page itself does not have the focus. Whether it was
  // one of them.
  bool HandleKey(const GdkEventKey* event);
  bool HandleScroll(const GdkEventScroll* event);

 private:
  void SetZoom(double level);
  static gboolean OnKey(GtkWidget*, GdkEventKey* event, gpointer self);
  static void OnLoadChanged(WebKitWebView*, WebKitLoadEvent event, gpointer self);
  static gboolean OnUserInput(GtkWidget*, GdkEvent*, gpointer self);
  static gboolean OnPagePrint(WebKitWebView*, WebKitPrintOperation*, gpointer self);
  static void OnPrintAnswered(GtkDialog* dialog, gint response, gpointer self);
  static void ClosePrintDialog();
  static gboolean OnScroll(GtkWidget*, GdkEventScroll* event, gpointer self);
  static gboolean OnDecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision,
                                 WebKitPolicyDecisionType type, gpointer self);

  WebKitWebView* view_;
  BrowserEvents& events_;
  int index_;
  FindBar find_bar_;
  PageDialog dialog_;
  gint64 last_gesture_us_ = 0;  // the user's last click or key on the page
  bool typed_since_load_ = false;
  gint64 last_request_us_ = 0;  // the user's last address for this tab
  DownloadGate download_gate_;
  QuestionBar download_bar_;
};

}  // namespace tabulon::gtk
