#include "browsing/blocked_sites.h"

#include "base/state.h"
#include "browsing/content_filter.h"

namespace tabulon {

namespace {
constexpr const char* kBlockingSection = "AdBlocking";
}  // namespace

bool BlocksAdsOn(SettingsStore& store, const std::string& site) {
  if (site.empty()) return true;
  return store.GetSetting(kAppTitle, kBlockingSection, site, "1") != "0";
}

bool BlocksAdsAt(SettingsStore& store, const std::string& url) {
  return BlocksAdsOn(store, FilterSiteOf(url));
}

IoResult SaveBlocksAdsOn(SettingsStore& store, const std::string& site, bool block) {
  return store.SaveSetting(kAppTitle, kBlockingSection, site, block ? "1" : "0");
}

}  // namespace tabulon
