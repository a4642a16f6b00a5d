#pragma once
#include <glib.h>

#include <vector>

namespace tabulon::gtk {

class WebKitBrowser;

// Keeps the pages of the current tab's neighbours painted (see NeighbourTabs):
// after the current tab changes, once the new page's frame is drawn, each
// tab's browser is told whether to keep its page drawn out of sight, at the
// size of the page shown.
class PaintedTabs {
 public:
  PaintedTabs() = default;
  ~PaintedTabs();
  PaintedTabs(const PaintedTabs&) = delete;
  PaintedTabs& operator=(const PaintedTabs&) = delete;

  void Add(WebKitBrowser* browser);
  void Remove(WebKitBrowser* browser);
  // A tab was shown, hidden, moved or resized: look again when idle.
  void Changed();
  // The browser of the tab in front, nullptr when no tab is open.
  WebKitBrowser* Shown() const;

 private:
  static gboolean OnIdle(gpointer self);
  void Update();

  std::vector<WebKitBrowser*> browsers_;
  guint idle_ = 0;
};

}  // namespace tabulon::gtk
