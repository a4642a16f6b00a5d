#include "browsing/tab_discard.h"

#include <algorithm>

namespace tabulon {

std::vector<int> TabsToDiscard(const std::vector<IdleTab>& tabs, int current, int tab_count,
                               std::int64_t now_ms, std::int64_t idle_ms, bool over_budget) {
  const auto near_current = [&](int position) {
    if (current < 1 || tab_count < 1) return false;
    const int left = current == 1 ? tab_count : current - 1;
    const int right = current == tab_count ? 1 : current + 1;
    return position == current || position == left || position == right;
  };
  std::vector<int> chosen;
  const IdleTab* longest = nullptr;
  for (const IdleTab& tab : tabs) {
    if (!tab.discardable || near_current(tab.position)) continue;
    if (idle_ms > 0 && now_ms - tab.hidden_since_ms >= idle_ms) {
      chosen.push_back(tab.position);
    } else if (!longest || tab.hidden_since_ms < longest->hidden_since_ms) {
      longest = &tab;
    }
  }
  if (over_budget && chosen.empty() && longest) chosen.push_back(longest->position);
  std::sort(chosen.begin(), chosen.end());
  return chosen;
}

}  // namespace tabulon
