#pragma once
#include <string>

#include "settings/file_io.h"
#include "settings/settings_store.h"

namespace tabulon {

// Sites the user let ads through on, kept in the settings store. Every other
// site, and every page without a site, is blocked.
bool BlocksAdsOn(SettingsStore& store, const std::string& site);
// Whether ads are blocked on the page at url (its site as FilterSiteOf has it).
bool BlocksAdsAt(SettingsStore& store, const std::string& url);
IoResult SaveBlocksAdsOn(SettingsStore& store, const std::string& site, bool block);

}  // namespace tabulon
