#pragma once
#include <vector>

namespace tabulon {

// Which engine process a new tab joins. Tabs share a few processes: one
// process per tab costs several times the memory and start-up of a shared
// one, and a single process for all puts every tab on one core and lets one
// crash take them all.
class ProcessPoolRule {
 public:
  // The number of processes the pool may hold; 1 or more.
  explicit ProcessPoolRule(int processes);

  // The process a new tab goes to: the one with the fewest tabs, the lowest
  // number on a tie. A process not started yet has none, so while the pool
  // has room every new tab starts one and pages load in parallel from the
  // start. Slot 0 is started first.
  int Assign();
  // A tab that must go to slot (a pop-up to its opener's process).
  void Join(int slot);
  // The tab in slot has closed. A slot left without tabs keeps its process
  // (the pool holds it open) and is the first to get the next tab.
  void Release(int slot);

  int Size() const { return static_cast<int>(tabs_.size()); }
  int TabsIn(int slot) const;

 private:
  std::vector<int> tabs_;
};

// The pool size the program runs with: text is an override from the
// environment (for measuring), blank or unusable text leaves the default.
int PoolSizeFromText(const char* text);

// One process. On two cores it loads a hundred tabs fastest and holds them
// in the least memory (docs/PERFORMANCE.md); the price is that a crash takes
// every tab, which the window mends by reloading them, and that a page busy
// in a script holds up the others.
inline constexpr int kDefaultEngineProcesses = 1;

}  // namespace tabulon
