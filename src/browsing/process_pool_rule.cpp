#include "browsing/process_pool_rule.h"

#include <algorithm>
#include <cstdlib>
#include <string>

namespace tabulon {

namespace {
// More processes than tabs could ever use would only waste the memory the
// pool exists to save.
constexpr int kMostEngineProcesses = 100;
constexpr int kMostDefaultProcesses = 8;
constexpr long kMegabytesAProcess = 512;
}  // namespace

ProcessPoolRule::ProcessPoolRule(int processes)
    : slots_(static_cast<std::size_t>(processes < 1 ? 1 : processes)) {}

int ProcessPoolRule::LeastLoaded(bool running_only, bool held_too) const {
  int best = -1;
  for (int i = 0; i < Size(); ++i) {
    const Slot& s = slots_[static_cast<std::size_t>(i)];
    if ((running_only && s.tabs == 0) || (s.held && !held_too)) continue;
    if (best < 0 || s.tabs < slots_[static_cast<std::size_t>(best)].tabs) best = i;
  }
  return best;
}

int ProcessPoolRule::Serving(const std::string& site) const {
  for (int i = 0; i < Size(); ++i) {
    const Slot& s = slots_[static_cast<std::size_t>(i)];
    if (!s.held && std::find(s.sites.begin(), s.sites.end(), site) != s.sites.end()) return i;
  }
  return -1;
}

void ProcessPoolRule::Serve(int slot, const std::string& site) {
  auto& sites = slots_[static_cast<std::size_t>(slot)].sites;
  if (std::find(sites.begin(), sites.end(), site) == sites.end()) sites.push_back(site);
}

void ProcessPoolRule::Hold(int slot, bool held) {
  if (slot < 0 || slot >= Size()) return;
  Slot& s = slots_[static_cast<std::size_t>(slot)];
  s.held = held && s.tabs > 0;
}

int ProcessPoolRule::Assign(const std::string& site) {
  int slot = site.empty() ? LeastLoaded(true) : Serving(site);
  if (slot < 0) {
    slot = LeastLoaded(false);  // an unused slot has no tabs: it comes first
    // Every process held: there is no better place.
    if (slot < 0) slot = LeastLoaded(false, true);
    if (!site.empty()) Serve(slot, site);
  }
  ++slots_[static_cast<std::size_t>(slot)].tabs;
  return slot;
}

bool ProcessPoolRule::Moves(int from, const std::string& site) {
  if (site.empty() || from < 0 || from >= Size()) return false;
  const int serving = Serving(site);
  if (serving >= 0) return serving != from;
  Slot& own = slots_[static_cast<std::size_t>(from)];
  // A held process would not load the page at all.
  if (own.held && (own.tabs <= 1 || LeastLoaded(false) >= 0)) return true;
  // Alone in its process, the tab would gain nothing from another.
  if (own.tabs <= 1) {
    own.sites = {site};
    return false;
  }
  const int least = LeastLoaded(false);
  if (least >= 0 && slots_[static_cast<std::size_t>(least)].tabs == 0) return true;
  Serve(from, site);
  return false;
}

void ProcessPoolRule::Join(int slot) {
  if (slot < 0 || slot >= Size()) return;
  ++slots_[static_cast<std::size_t>(slot)].tabs;
}

bool ProcessPoolRule::Release(int slot) {
  if (slot < 0 || slot >= Size()) return false;
  Slot& s = slots_[static_cast<std::size_t>(slot)];
  if (s.tabs == 0) return false;
  if (--s.tabs > 0) return false;
  s.sites.clear();
  s.held = false;
  return true;
}

int ProcessPoolRule::TabsIn(int slot) const {
  if (slot < 0 || slot >= Size()) return 0;
  return slots_[static_cast<std::size_t>(slot)].tabs;
}

int PoolSizeFromText(const char* text, int fallback) {
  if (!text) return fallback;
  std::string s(text);
  if (s.empty() || s.find_first_not_of("0123456789") != std::string::npos || s.size() > 3) {
    return fallback;
  }
  int n = std::atoi(s.c_str());
  if (n < 1) return fallback;
  return n > kMostEngineProcesses ? kMostEngineProcesses : n;
}

int DefaultPoolSize(int cores, long memory_mb) {
  const long by_cores = cores < 1 ? 2 : 2L * cores;
  const long by_memory = memory_mb / kMegabytesAProcess;
  const long n = std::min({by_cores, by_memory, static_cast<long>(kMostDefaultProcesses)});
  return n < 1 ? 1 : static_cast<int>(n);
}

}  // namespace tabulon
