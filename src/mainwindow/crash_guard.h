#pragma once
#include <cstdint>
#include <map>

namespace tabulon {

// Remembers when each browser's page last stopped, so that a page that keeps
// taking its engine process down is not reloaded over and over.
class CrashGuard {
 public:
  static constexpr std::int64_t kWindowMs = 30000;

  // Records a crash of browser index at now_ms. True when the page should be
  // reloaded; false when it stopped again within the window after a reload.
  bool ShouldReload(int index, std::int64_t now_ms);
  // A new browser under a reused index starts with a clean record.
  void Forget(int index) { last_crash_.erase(index); }

 private:
  std::map<int, std::int64_t> last_crash_;
};

}  // namespace tabulon
