#include "browsing/address.h"

#include <algorithm>
#include <cctype>

#include "base/val.h"

namespace tabulon {

namespace {
std::string LowerScheme(const std::string& text) {
  size_t i = 0;
  if (text.empty() || !std::isalpha(static_cast<unsigned char>(text[0]))) return "";
  while (i < text.size() && (std::isalnum(static_cast<unsigned char>(text[i])) || text[i] == '+' ||
                             text[i] == '-' || text[i] == '.')) {
    ++i;
  }
  if (i >= text.size() || text[i] != ':') return "";
  std::string scheme = text.substr(0, i);
  std::transform(scheme.begin(), scheme.end(), scheme.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return scheme;
}
}  // namespace

std::string NormalizeAddress(const std::string& address) {
  std::string text = TrimBlanks(address);
  if (text.empty()) return "about:blank";
  std::string scheme = LowerScheme(text);
  if (scheme == "javascript" || scheme == "vbscript") return "about:blank";
  const size_t after = scheme.size() + 1;
  const bool slashes = text.compare(after, 2, "//") == 0;
  if (!scheme.empty() && (slashes || scheme == "about" || scheme == "data" || scheme == "file" ||
                          scheme == "mailto" || scheme == "tabulon" || scheme == "view-source")) {
    return text;
  }
  if (text[0] == '/') return "file://" + text;
  return "http://" + text;
}

}  // namespace tabulon
