#pragma once
#include <string>

namespace tabulon {

// The site an address belongs to: its scheme and registrable domain
// ("https://example.co.uk" for https://www.example.co.uk/a), taken from the
// public suffix list. An IP address or a one-label host (localhost) is a
// site of its own; all local files are one site ("file://"). Addresses of no
// site (the browser's own pages, about:, data:, unusable text) give "".
std::string SiteOf(const std::string& address);

}  // namespace tabulon
