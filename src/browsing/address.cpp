#include "browsing/address.h"

#include <algorithm>
#include <cctype>

#include "base/val.h"
#include "browsing/crash_page.h"

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

bool IsScriptAddress(const std::string& address) {
  const std::string scheme = LowerScheme(TrimBlanks(address));
  return scheme == "javascript" || scheme == "vbscript";
}

bool PageMayOpen(const std::string& opener, const std::string& target) {
  const std::string from = LowerScheme(TrimBlanks(opener));
  if (from != "http" && from != "https") return true;
  std::string to = LowerScheme(TrimBlanks(target));
  // view-source: shows whatever address follows it.
  if (to == "view-source") to = LowerScheme(TrimBlanks(target).substr(sizeof "view-source:" - 1));
  return to != "file" && to != "tabulon";
}

std::string BookmarkletScript(const std::string& address) {
  const std::string text = TrimBlanks(address);
  if (LowerScheme(text) != "javascript") return "";
  return PercentDecode(text.substr(sizeof "javascript:" - 1));
}

std::string NormalizeAddress(const std::string& address) {
  std::string text = TrimBlanks(address);
  if (text.empty()) return "about:blank";
  if (IsScriptAddress(text)) return "about:blank";
  std::string scheme = LowerScheme(text);
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
