#include "mainwindow/crash_guard.h"

namespace tabulon {

bool CrashGuard::ShouldReload(int index, std::int64_t now_ms) {
  auto it = last_crash_.find(index);
  const bool again = it != last_crash_.end() && now_ms - it->second < kWindowMs;
  last_crash_[index] = now_ms;
  return !again;
}

}  // namespace tabulon
