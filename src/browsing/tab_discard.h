#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace tabulon {

// A tab as the memory governor sees it.
struct IdleTab {
  int position = 0;
  // Whether its page is in the engine and may go (see
  // BrowserControl::Discardable).
  bool discardable = false;
  // When it last left the screen (milliseconds on a steady clock).
  std::int64_t hidden_since_ms = 0;
};

// Which tabs to discard now. A loaded tab in the background goes once it
// has been out of sight for idle_ms; when the browser is over its memory
// budget, the one out of sight longest goes too, whatever its time. The
// current tab and its neighbours on either side (the tabs Ctrl+Tab and
// Ctrl+Shift+Tab lead to) always stay. idle_ms 0 or less: no tab goes for
// its time alone.
std::vector<int> TabsToDiscard(const std::vector<IdleTab>& tabs, int current, int tab_count,
                               std::int64_t now_ms, std::int64_t idle_ms, bool over_budget);

// The memory the browser may use before it discards tabs: a quarter of the
// machine's, in kilobytes.
inline std::int64_t MemoryBudgetKb(std::int64_t machine_kb) { return machine_kb / 4; }

}  // namespace tabulon
