#include "mainwindow/closed_tabs.h"

#include <utility>

namespace tabulon {

void ClosedTabs::Push(std::vector<SavedTab> tabs) {
  if (tabs.empty()) return;
  count_ += tabs.size();
  steps_.push_back(std::move(tabs));
  // The oldest tabs go first, even out of a step that closed many.
  while (count_ > kKept) {
    std::vector<SavedTab>& oldest = steps_.front();
    oldest.erase(oldest.begin());
    --count_;
    if (oldest.empty()) steps_.pop_front();
  }
}

std::vector<SavedTab> ClosedTabs::PopLatest() {
  if (steps_.empty()) return {};
  std::vector<SavedTab> tabs = std::move(steps_.back());
  steps_.pop_back();
  count_ -= tabs.size();
  return tabs;
}

}  // namespace tabulon
