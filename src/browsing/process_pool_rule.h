#pragma once
#include <string>
#include <vector>

namespace tabulon {

// Which engine process a new tab joins. Tabs of one site share a process;
// different sites get processes of their own up to a cap, so that one page
// busy in a script, or one crash, holds up or costs only its site's tabs,
// while a hundred tabs of one site still cost one process.
class ProcessPoolRule {
 public:
  // The number of processes the pool may hold; 1 or more.
  explicit ProcessPoolRule(int processes);

  // The process a new tab of site goes to: the process of its site when one
  // runs; else an unused one while the pool has room, else the one with the
  // fewest tabs (the lowest number on a tie), which then serves the site
  // too. A tab of no site ("") joins the running process with the fewest
  // tabs and starts one only when none runs. A held process takes no new
  // tab while another can (its site is then served there too).
  int Assign(const std::string& site);
  // Whether the slot's process is held: its page waits on a dialog, or is
  // stuck in a script, and the process serves no other page meanwhile. A
  // slot is free of it once its last tab has closed.
  void Hold(int slot, bool held);
  // A tab that must go to slot (a pop-up to its opener's process).
  void Join(int slot);
  // A tab in slot from goes to a page of site the user asked for. True when
  // the tab should move to another process: its site's, or an unused one
  // when it shares its own. Otherwise it stays, and its process serves the
  // site from now on (only that site, when the tab is alone there). A tab
  // in a held process moves whenever another can take it, and when alone
  // there (its process ends, and the tab starts anew).
  bool Moves(int from, const std::string& site);
  // The tab in slot has closed. True when it was the slot's last: the
  // process is no longer needed and the slot is unused again.
  bool Release(int slot);

  int Size() const { return static_cast<int>(slots_.size()); }
  int TabsIn(int slot) const;

 private:
  struct Slot {
    int tabs = 0;
    bool held = false;
    std::vector<std::string> sites;
  };
  // The slot with the fewest tabs, held ones left out unless held_too.
  int LeastLoaded(bool running_only, bool held_too = false) const;
  // The first slot not held that serves site, or -1.
  int Serving(const std::string& site) const;
  void Serve(int slot, const std::string& site);
  std::vector<Slot> slots_;
};

// The pool size the program runs with: text is an override from the
// environment (for measuring); blank or unusable text leaves fallback.
int PoolSizeFromText(const char* text, int fallback);

// The default pool size for a machine: two processes a core, so that a page
// looping on one core leaves the others free, no more than the memory holds
// at about half a gigabyte each (a process of real pages grows to that),
// and at most eight: past that, more sites share, and memory matters more
// than the isolation of yet another site.
int DefaultPoolSize(int cores, long memory_mb);

}  // namespace tabulon
