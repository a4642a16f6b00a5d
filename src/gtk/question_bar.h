#pragma once
#include <gtk/gtk.h>

#include <functional>
#include <string>

namespace tabulon::gtk {

// A question in a bar with two buttons: `yes` answers true, `no` false;
// with no `no`, a notice whose one button takes it away.
// Put over the top of a page in `parent`, it is hidden while its page is
// not shown; without a parent, its owner packs Widget() where it belongs.
class QuestionBar {
 public:
  QuestionBar(GtkLayout* parent, const std::string& question, const std::string& yes,
              const std::string& no, std::function<void(bool yes)> answered);
  ~QuestionBar();
  QuestionBar(const QuestionBar&) = delete;
  QuestionBar& operator=(const QuestionBar&) = delete;

  void Ask();
  bool Asking() const { return asking_; }
  void Answer(bool yes);
  // Takes the question away unanswered.
  void Withdraw();
  // The page's place while its tab is current, and whether it is.
  void Place(int x, int y, int width);
  void PageShown(bool shown);
  GtkWidget* Widget() const { return frame_; }

 private:
  void Refresh();

  GtkLayout* parent_;
  std::function<void(bool)> answered_;
  GtkWidget* frame_;
  bool asking_ = false;
  bool page_shown_ = false;
};

}  // namespace tabulon::gtk
