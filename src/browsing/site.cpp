#include "browsing/site.h"

#include <libpsl.h>

#include <algorithm>
#include <cctype>

namespace tabulon {

namespace {

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

bool IsIpv4(const std::string& host) {
  return !host.empty() && host.find_first_not_of("0123456789.") == std::string::npos;
}

}  // namespace

std::string SiteOf(const std::string& address) {
  const auto colon = address.find(':');
  if (colon == std::string::npos || colon == 0) return "";
  const std::string scheme = Lower(address.substr(0, colon));
  if (scheme == "file") return "file://";
  if (scheme != "http" && scheme != "https") return "";
  if (address.compare(colon + 1, 2, "//") != 0) return "";
  const auto start = colon + 3;
  std::string host = address.substr(start, address.find_first_of("/?#\\", start) - start);
  if (const auto at = host.rfind('@'); at != std::string::npos) host.erase(0, at + 1);
  if (!host.empty() && host[0] == '[') {  // an IPv6 address
    const auto close = host.find(']');
    if (close == std::string::npos) return "";
    return scheme + "://" + Lower(host.substr(0, close + 1));
  }
  host = Lower(host.substr(0, host.find(':')));
  while (!host.empty() && host.back() == '.') host.pop_back();
  if (host.empty() || host.find_first_of(" \t\r\n") != std::string::npos) return "";
  if (IsIpv4(host)) return scheme + "://" + host;
  // A host that is itself a public suffix, or has one label, has no
  // registrable domain: it is its own site.
  const char* domain = psl_registrable_domain(psl_builtin(), host.c_str());
  return scheme + "://" + (domain ? std::string(domain) : host);
}

}  // namespace tabulon
