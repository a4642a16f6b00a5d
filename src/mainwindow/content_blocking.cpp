// Blocking ads and trackers, or not, site by site: the page menu's check
// item. Every site is blocked until the user says otherwise; the sites let
// through are kept in the settings store.
#include "browsing/content_filter.h"
#include "mainwindow/frm_main.h"

namespace tabulon {

namespace {
constexpr const char* kBlockingSection = "AdBlocking";
constexpr const char* kBlockingItem = "m_page_block";
}  // namespace

bool frmMain::BlocksAdsOn(const std::string& site) {
  if (site.empty()) return true;
  return services_.store.GetSetting(kAppTitle, kBlockingSection, site, "1") != "0";
}

void frmMain::SyncBlockingItem() {
  bool block = true;
  if (state_.CurTab > 0) {
    TryStep([&] { block = BlocksAdsOn(FilterSiteOf(BrowserOfTab(state_.CurTab).LocationURL())); });
  }
  Menu(kBlockingItem).SetChecked(block);
}

void frmMain::m_page_block_Click() {
  if (state_.CurTab == 0) return;
  BrowserControl& current = BrowserOfTab(state_.CurTab);
  const std::string site = FilterSiteOf(current.LocationURL());
  // The program's own pages and files have no site to remember.
  if (site.empty()) return SyncBlockingItem();
  const bool block = !BlocksAdsOn(site);
  if (!services_.store.SaveSetting(kAppTitle, kBlockingSection, site, block ? "1" : "0").ok()) {
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
