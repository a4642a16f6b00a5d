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

int ProcessPoolRule::LeastLoaded(bool running_only) const {
  int best = -1;
  for (int i = 0; i < Size(); ++i) {
    const int tabs = slots_[static_cast<std::size_t>(i)].tabs;
    if (running_only && tabs == 0) continue;
    if (best < 0 || tabs < slots_[static_cast<std::size_t>(best)].tabs) best = i;
  }
  return best;
}

int ProcessPoolRule::Assign(const std::string& site) {
  int slot = -1;
  if (site.empty()) {
    slot = LeastLoaded(true);
  } else {
    for (int i = 0; i < Size() && slot < 0; ++i) {
      const auto& sites = slots_[static_cast<std::size_t>(i)].sites;
      if (std::find(sites.begin(), sites.end(), site) != sites.end()) slot = i;
    }
  }
  if (slot < 0) {
    slot = LeastLoaded(false);  // an unused slot has no tabs: it comes first
    if (!site.empty()) slots_[static_cast<std::size_t>(slot)].sites.push_back(site);
  }
  ++slots_[static_cast<std::size_t>(slot)].tabs;
  return slot;
}

bool ProcessPoolRule::Moves(int from, const std::string& site) {
  if (site.empty() || from < 0 || from >= Size()) return false;
  for (int i = 0; i < Size(); ++i) {
    const auto& sites = slots_[static_cast<std::size_t>(i)].sites;
    if (std::find(sites.begin(), sites.end(), site) != sites.end()) return i != from;
  }
  // Alone in its process, the tab would gain nothing from another.
  Slot& own = slots_[static_cast<std::size_t>(from)];
  if (own.tabs <= 1) {
    own.sites = {site};
    return false;
  }
  if (slots_[static_cast<std::size_t>(LeastLoaded(false))].tabs == 0) return true;
  own.sites.push_back(site);
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
