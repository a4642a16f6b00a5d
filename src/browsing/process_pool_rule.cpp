#include "browsing/process_pool_rule.h"

#include <cstdlib>
#include <string>

namespace tabulon {

namespace {
// More processes than tabs could ever use would only waste the memory the
// pool exists to save.
constexpr int kMostEngineProcesses = 100;
}  // namespace

ProcessPoolRule::ProcessPoolRule(int processes)
    : tabs_(static_cast<std::size_t>(processes < 1 ? 1 : processes), 0) {}

int ProcessPoolRule::Assign() {
  int best = 0;
  for (int i = 1; i < Size(); ++i) {
    if (tabs_[static_cast<std::size_t>(i)] < tabs_[static_cast<std::size_t>(best)]) best = i;
  }
  ++tabs_[static_cast<std::size_t>(best)];
  return best;
}

void ProcessPoolRule::Join(int slot) {
  if (slot < 0 || slot >= Size()) return;
  ++tabs_[static_cast<std::size_t>(slot)];
}

void ProcessPoolRule::Release(int slot) {
  if (slot < 0 || slot >= Size()) return;
  int& n = tabs_[static_cast<std::size_t>(slot)];
  if (n > 0) --n;
}

int ProcessPoolRule::TabsIn(int slot) const {
  if (slot < 0 || slot >= Size()) return 0;
  return tabs_[static_cast<std::size_t>(slot)];
}

int PoolSizeFromText(const char* text) {
  if (!text) return kDefaultEngineProcesses;
  std::string s(text);
  if (s.empty() || s.find_first_not_of("0123456789") != std::string::npos || s.size() > 3) {
    return kDefaultEngineProcesses;
  }
  int n = std::atoi(s.c_str());
  if (n < 1) return kDefaultEngineProcesses;
  return n > kMostEngineProcesses ? kMostEngineProcesses : n;
}

}  // namespace tabulon
