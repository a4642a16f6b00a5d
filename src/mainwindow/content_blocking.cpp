// Blocking ads and trackers, or not, site by site: the page menu's check
// item. Every site is blocked until the user says otherwise; each tab's
// browser asks the settings store as its pages load.
#include "browsing/blocked_sites.h"
#include "browsing/content_filter.h"
#include "mainwindow/frm_main.h"

namespace tabulon {

namespace {
constexpr const char* kBlockingItem = "m_page_block";
}  // namespace

void frmMain::SyncBlockingItem() {
  bool block = true;
  if (state_.CurTab > 0) {
    TryStep(
        [&] { block = BlocksAdsAt(services_.store, BrowserOfTab(state_.CurTab).LocationURL()); });
  }
  Menu(kBlockingItem).SetChecked(block);
}

void frmMain::m_page_block_Click() {
  if (state_.CurTab == 0) return;
  BrowserControl& current = BrowserOfTab(state_.CurTab);
  const std::string site = FilterSiteOf(current.LocationURL());
  // The program's own pages and files have no site to remember.
  if (site.empty()) return SyncBlockingItem();
  const bool block = !BlocksAdsOn(services_.store, site);
  if (!SaveBlocksAdsOn(services_.store, site, block).ok()) {
    StaMsg_.SetPanelText(1, "このサイトの設定を保存できませんでした");
    return SyncBlockingItem();
  }
  Menu(kBlockingItem).SetChecked(block);
  // Every tab on the site; the current page loads again to show the change.
  for (int position = 1; position <= state_.TabCount; ++position) {
    TryStep([&] {
      BrowserControl& browser = BrowserOfTab(position);
      if (FilterSiteOf(browser.LocationURL()) == site) browser.SetContentBlocking(block);
    });
  }
  current.Refresh2();
}

}  // namespace tabulon
