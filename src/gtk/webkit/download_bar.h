#pragma once
#include <gtk/gtk.h>

#include <functional>

namespace tabulon::gtk {

// The question over the top of a page that tries to start downloads
// without the user's click: 許可 lets the held ones go on to the save
// dialog, 拒否 drops them.
class DownloadBar {
 public:
  DownloadBar(GtkLayout* parent, std::function<void(bool allow)> answered);
  ~DownloadBar();
  DownloadBar(const DownloadBar&) = delete;
  DownloadBar& operator=(const DownloadBar&) = delete;

  void Ask();
  bool Asking() const { return asking_; }
  void Answer(bool allow);
  // The page's place while its tab is current, and whether it is.
  void Place(int x, int y, int width);
  void PageShown(bool shown);

 private:
  void Refresh();

  GtkLayout* parent_;
  std::function<void(bool)> answered_;
  GtkWidget* frame_;
  bool asking_ = false;
  bool page_shown_ = false;
};

}  // namespace tabulon::gtk
