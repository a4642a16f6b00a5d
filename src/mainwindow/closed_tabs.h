#pragma once
#include <cstddef>
#include <deque>
#include <string>
#include <vector>

#include "browsing/saved_session.h"

namespace tabulon {

// The tabs closed in this run, newest last, to be opened again. A close of
// one tab is one step; closing every tab at once is one step too, and
// reopening it brings them all back. Only the latest kKept tabs are kept.
class ClosedTabs {
 public:
  static constexpr std::size_t kKept = 20;

  // Keeps `tabs` (in strip order) as the newest step; an empty list is none.
  void Push(std::vector<SavedTab> tabs);
  // Takes the newest step's tabs; an empty list when nothing is left.
  std::vector<SavedTab> PopLatest();
  bool Empty() const { return steps_.empty(); }
  std::size_t TabCount() const { return count_; }

 private:
  std::deque<std::vector<SavedTab>> steps_;
  std::size_t count_ = 0;
};

}  // namespace tabulon
