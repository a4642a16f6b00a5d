#pragma once
#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <functional>
#include <string>

namespace tabulon::gtk {

// The find bar of one tab: a row along the bottom of the page area with the
// words to find, the number of matches and buttons for the previous and the
// next one. While it shows, the page is that much shorter, so the bar hides
// nothing of it. The engine's find controller does the finding.
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
  // The height the bar takes from the bottom of the page: 0 while it is not
  // on the screen.
  int Height() const;
  // Puts the bar's top left corner at (x, y), as wide as the page.
  void Place(int x, int y, int width);
  // Called when the bar comes or goes, so that the page makes room for it.
  void OnRoomChanged(std::function<void()> changed) { room_changed_ = std::move(changed); }

  static constexpr unsigned kMaxCounted = 1000;

 private:
  void Search();
  void RoomChanged();
  static void OnChanged(GtkEditable*, gpointer self);
  static gboolean OnKey(GtkWidget*, GdkEventKey* event, gpointer self);
  static void OnCounted(WebKitFindController*, guint count, gpointer self);
  static void OnNotFound(WebKitFindController*, gpointer self);

  WebKitWebView* view_;
  GtkLayout* parent_;
  WebKitFindController* finder_;
  GtkWidget* frame_;
  GtkWidget* entry_;
  GtkWidget* count_;
  std::function<void()> room_changed_;
  bool open_ = false;
  bool page_shown_ = false;
};

}  // namespace tabulon::gtk
