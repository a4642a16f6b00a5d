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

  // The process a new tab goes to: a process not started yet while the pool
  // has room (so pages load in parallel from the start), otherwise the one
  // with the fewest tabs, the lowest number on a tie. Slot 0 is started first.
  int Assign();
  // A tab that must go to slot (a pop-up to its opener's process).
  void Join(int slot);
  // The tab in slot has closed. A slot left without tabs counts as not
  // started: its process ends with its last page.
  void Release(int slot);

  int Size() const { return static_cast<int>(tabs_.size()); }
  int TabsIn(int slot) const;

 private:
  std::vector<int> tabs_;
};

// The pool size the program runs with: text is an override from the
// environment (for measuring), blank or unusable text leaves the default.
int PoolSizeFromText(const char* text);

// One process, kept alive by the hidden template view. With more, a tab
// opened just as the last tab of another pool process closed sometimes got a
// process that never loaded its page (seen in a thousand open/close cycles on
// WebKitGTK 2.50.6); until that is understood, tabs share the one process
// that never ends, and a crash there is mended by reloading every tab.
inline constexpr int kDefaultEngineProcesses = 1;

}  // namespace tabulon
