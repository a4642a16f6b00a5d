#include "browsing/address.h"

#include <algorithm>
#include <cctype>

#include "base/val.h"
#include "browsing/crash_page.h"
#include "browsing/internet_settings.h"

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

// Addresses whose scheme the engine is given as typed.
bool KeptAsTyped(const std::string& text, const std::string& scheme) {
  if (scheme.empty()) return false;
  const bool slashes = text.compare(scheme.size() + 1, 2, "//") == 0;
  return slashes || scheme == "about" || scheme == "data" || scheme == "file" ||
         scheme == "mailto" || scheme == "tabulon" || scheme == "view-source";
}

bool IsDigits(const std::string& text) {
  return !text.empty() && std::all_of(text.begin(), text.end(),
                                      [](unsigned char c) { return std::isdigit(c) != 0; });
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}
}  // namespace

std::string FoldFullWidth(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[i + k]); };
    if (i + 2 < text.size() && byte(0) == 0xE3 && byte(1) == 0x80 && byte(2) == 0x80) {
      out += ' ';  // U+3000
      i += 2;
    } else if (i + 2 < text.size() && byte(0) == 0xEF && byte(1) == 0xBC && byte(2) >= 0x81 &&
               byte(2) <= 0xBF) {
      out += static_cast<char>(byte(2) - 0x81 + 0x21);  // U+FF01 to U+FF3F
      i += 2;
    } else if (i + 2 < text.size() && byte(0) == 0xEF && byte(1) == 0xBD && byte(2) >= 0x80 &&
               byte(2) <= 0x9E) {
      out += static_cast<char>(byte(2) - 0x80 + 0x60);  // U+FF40 to U+FF5E
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

bool ReadsAsAddress(const std::string& text) {
  if (text.empty() || text[0] == '/') return true;
  if (IsScriptAddress(text) || KeptAsTyped(text, LowerScheme(text))) return true;
  if (text.find_first_of(" \t\r\n") != std::string::npos) return false;
  const std::size_t end = text.find_first_of("/?#");
  if (end != std::string::npos && text[end] == '/') return true;  // intranet/
  std::string host = text.substr(0, end);
  host = host.substr(host.rfind('@') + 1);  // after any user name
  if (host.find('.') != std::string::npos || (!host.empty() && host[0] == '[')) return true;
  const std::size_t colon = host.rfind(':');
  if (colon != std::string::npos && IsDigits(host.substr(colon + 1))) return true;
  return Lower(host.substr(0, colon)) == "localhost";
}

std::string UrlBoxAddress(const std::string& typed, const std::string& search_address) {
  const std::string text = TrimBlanks(FoldFullWidth(typed));
  if (ReadsAsAddress(text)) return text;
  const std::size_t at = search_address.find(kQueryPlaceholder);
  if (at == std::string::npos) return search_address;
  return search_address.substr(0, at) + PercentEncode(text) +
         search_address.substr(at + std::char_traits<char>::length(kQueryPlaceholder));
}

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
  if (KeptAsTyped(text, LowerScheme(text))) return text;
  if (text[0] == '/') return "file://" + text;
  return "http://" + text;
}

}  // namespace tabulon
