#pragma once
#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <string>

namespace tabulon::gtk {

// The find bar of one tab: a small box over the top right corner of the
// page with the words to find, the number of matches and buttons for the
// previous and the next one. The engine's find controller does the finding.
class FindBar {
 public:
  FindBar(WebKitWebView* view, GtkLayout* parent);
  ~FindBar();
  FindBar(const FindBar&) = delete;
  FindBar& operator=(const FindBar&) = delete;

  // Shows the bar with its text selected, so typing replaces it.
  void Open();
  // Hides the bar, clears the highlighted matches, gives the page the focus.
  void Close();
  bool IsOpen() const;
  void Next();
  void Previous();
  // What the bar shows: the words looked for and how many there are.
  void SetText(const std::string& text);
  std::string Text() const;
  std::string CountText() const;

  // The tab's page came to the front or left it; the bar of a tab in the
  // background waits, hidden, for its page to come back.
  void PageShown(bool shown);
  // Whether the bar is on the screen.
  bool OnScreen() const { return gtk_widget_get_visible(frame_); }

  static constexpr unsigned kMaxCounted = 1000;

 private:
  void Search();
  void Place();
  static void OnChanged(GtkEditable*, gpointer self);
  static gboolean OnKey(GtkWidget*, GdkEventKey* event, gpointer self);
  static void OnCounted(WebKitFindController*, guint count, gpointer self);
  static void OnNotFound(WebKitFindController*, gpointer self);
  static void OnViewAllocated(GtkWidget*, GdkRectangle*, gpointer self);
  static gboolean OnPlaceIdle(gpointer self);

  WebKitWebView* view_;
  GtkLayout* parent_;
  WebKitFindController* finder_;
  GtkWidget* frame_;  // an event box: a window of its own, drawn over the page
  GtkWidget* entry_;
  GtkWidget* count_;
  guint place_idle_ = 0;
  bool open_ = false;
};

}  // namespace tabulon::gtk
