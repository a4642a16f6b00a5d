// Discarding the pages of tabs left alone, to keep memory for the rest.
#include "base/val.h"
#include "browsing/internet_settings.h"
#include "browsing/tab_discard.h"
#include "mainwindow/frm_main.h"

namespace tabulon {

namespace {
constexpr int kGovernorIntervalMs = 60 * 1000;
}  // namespace

void frmMain::StartTabGovernor(TabGovernor governor) {
  governor_ = std::move(governor);
  toolkit_.RunLater(kGovernorIntervalMs, [this] {
    TryStep([&] { GovernTabs(); });
    StartTabGovernor(std::move(governor_));
  });
}

void frmMain::GovernTabs() {
  if (!governor_.now_ms) return;
  const std::int64_t now = governor_.now_ms();
  std::vector<IdleTab> tabs;
  std::map<int, std::int64_t> hidden_since;
  for (int p = 1; p <= state_.TabCount; ++p) {
    TryStep([&] {
      const int k = Val(lblTab_(p).Tag());
      // A tab first seen in the background counts from now.
      const auto known = hidden_since_.find(k);
      const std::int64_t since = known == hidden_since_.end() ? now : known->second;
      if (p != state_.CurTab) hidden_since[k] = since;
      tabs.push_back({p, brwPage_(k).Discardable(), since});
    });
  }
  hidden_since_ = std::move(hidden_since);
  const std::int64_t idle_ms =
      static_cast<std::int64_t>(ReadDiscardMinutes(services_.store)) * 60 * 1000;
  const bool over = governor_.over_budget && governor_.over_budget();
  for (const int position :
       TabsToDiscard(tabs, state_.CurTab, state_.TabCount, now, idle_ms, over)) {
    TryStep([&] {
      BrowserOfTab(position).Discard();
      ShowSleeping(position, true);
    });
  }
}

void frmMain::ShowSleeping(int position, bool sleeping) {
  lblTab_(position).SetForeColor(sleeping ? kSleepingTabText : 0);
}

}  // namespace tabulon
