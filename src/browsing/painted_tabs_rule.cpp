#include "browsing/painted_tabs_rule.h"

namespace tabulon {

std::vector<int> NeighbourTabs(int current, int count) {
  std::vector<int> tabs;
  if (count < 2 || current < 1 || current > count) return tabs;
  const int next = current == count ? 1 : current + 1;
  const int previous = current == 1 ? count : current - 1;
  tabs.push_back(next);
  if (previous != next) tabs.push_back(previous);
  return tabs;
}

}  // namespace tabulon
