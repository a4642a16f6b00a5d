#pragma once
#include <string>

#include "base/state.h"

namespace tabulon {

// The address of the built-in start page and of the built-in search page.
inline constexpr const char* kHomeUrl = "tabulon://start/";
inline constexpr const char* kSearchUrl = "tabulon://search/";

// Text made safe to stand in HTML text and in quoted attribute values.
std::string HtmlEscape(const std::string& text);

// The hot key of favourite n (1..20), as the favourites list shows it.
std::string HotKeyText(int n);

// The built-in start page: the product name and the twenty favourites with
// their hot keys, as links.
std::string StartPageHtml(const AppState& state);

}  // namespace tabulon
