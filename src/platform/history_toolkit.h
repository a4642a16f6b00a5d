#pragma once
#include <string>
#include <vector>

namespace tabulon {

// One visited page as the history window shows it.
struct HistoryLine {
  std::string time;     // "14:05"
  std::string title;    // shortened for the eye
  std::string shown;    // the address, shortened for the eye
  std::string address;  // the whole address, what opening and deleting use
  bool operator==(const HistoryLine&) const = default;
};

// The pages of one day, newest first.
struct HistoryDay {
  std::string caption;  // "今日", "昨日", "2026年12月7日 (月)"
  std::vector<HistoryLine> lines;
  bool operator==(const HistoryDay&) const = default;
};

// What the user does in the history window.
class HistoryInput {
 public:
  virtual ~HistoryInput() = default;
  // The search box's text, at every change.
  virtual void SearchChanged(const std::string& text) = 0;
  // 削除 with these pages selected.
  virtual void DeleteClicked(const std::vector<std::string>& addresses) = 0;
  // A double click or Enter on a page.
  virtual void Activated(const std::string& address) = 0;
  // The user came back to the window: pages visited meanwhile are listed.
  virtual void WindowFocused() = 0;
};

// The window system's side of the history window: a window beside the main
// one (never modal) with a search box, the days and their pages, and 削除.
class HistoryToolkit {
 public:
  virtual ~HistoryToolkit() = default;
  // Where the user's actions go; set once, before anything is shown.
  virtual void Attach(HistoryInput& input) = 0;
  // Shows the window, or brings it to the front when it is shown already.
  virtual void ShowWindow() = 0;
  // Replaces what the window lists. more: older pages match too but are
  // not listed; the window says that a search finds them.
  virtual void ShowDays(const std::vector<HistoryDay>& days, bool more) = 0;
};

}  // namespace tabulon
