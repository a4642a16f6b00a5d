#pragma once
#include <string>

#include "base/state.h"
#include "settings/settings_store.h"

namespace tabulon {

// The built-in search page: a box whose query, URL-encoded, takes the place
// of the %s in the search address. It works offline; only the search itself
// goes out.
std::string SearchPageHtml(const std::string& search_address);

// The HTML of the program's own page at `uri` (the start page or the search
// page), or "" for an address that names no page. Reads the search address
// from the store each time, so a change made by the options program shows
// on the next search.
std::string BuiltInPageHtml(const std::string& uri, const AppState& state, SettingsStore& store);

}  // namespace tabulon
