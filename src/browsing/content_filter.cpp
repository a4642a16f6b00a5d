#include "browsing/content_filter.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

namespace tabulon {

namespace {

constexpr const char* kSkipNames[] = {
    "regex",   "scriptlet",     "procedural", "style",     "html",      "option",
    "domains", "domain-syntax", "non-ascii",  "bad-utf-8", "too-broad", "open-selector",
};
static_assert(std::size(kSkipNames) == static_cast<std::size_t>(FilterSkip::kCount));

// The engine's resource types, as bits. A rule without a type option stays
// off top-level pages and pop-ups (the page the user asked for is never
// blocked for its address alone).
enum Type : unsigned {
  kImage = 1u << 0,
  kStyleSheet = 1u << 1,
  kScript = 1u << 2,
  kFont = 1u << 3,
  kRaw = 1u << 4,
  kSvg = 1u << 5,
  kMedia = 1u << 6,
  kPing = 1u << 7,
  kChildDocument = 1u << 8,
  kTopDocument = 1u << 9,
  kPopup = 1u << 10,
};
constexpr unsigned kAllTypes = (1u << 11) - 1;
constexpr unsigned kDefaultTypes = kAllTypes & ~(kTopDocument | kPopup);
constexpr struct {
  unsigned bit;
  const char* name;
} kTypeNames[] = {
    {kImage, "image"},
    {kStyleSheet, "style-sheet"},
    {kScript, "script"},
    {kFont, "font"},
    {kRaw, "raw"},
    {kSvg, "svg-document"},
    {kMedia, "media"},
    {kPing, "ping"},
    {kChildDocument, "child-document"},
    {kTopDocument, "top-document"},
    {kPopup, "popup"},
};

// Filter options naming resource types.
constexpr struct {
  std::string_view option;
  unsigned bits;
} kTypeOptions[] = {
    {"image", kImage},
    {"script", kScript},
    {"stylesheet", kStyleSheet},
    {"css", kStyleSheet},
    {"subdocument", kChildDocument},
    {"frame", kChildDocument},
    {"xmlhttprequest", kRaw},
    {"xhr", kRaw},
    {"font", kFont},
    {"media", kMedia},
    {"object", kMedia},
    {"ping", kPing},
    {"beacon", kPing},
    {"websocket", kRaw},
    {"other", kRaw},
    {"popup", kPopup},
    {"document", kTopDocument | kChildDocument},
    {"doc", kTopDocument | kChildDocument},
    {"all", kAllTypes},
};

// Options that change nothing the engine does differently.
constexpr std::string_view kIgnoredOptions[] = {"important", "~important"};

// Selectors the engine's style sheets do not know: these need script.
constexpr std::string_view kProceduralMarks[] = {
    ":has-text(",      ":-abp-contains(", ":-abp-has(",     ":-abp-properties(",
    ":contains(",      ":xpath(",         ":matches-css",   ":upward(",
    ":remove(",        ":remove-attr(",   ":remove-class(", ":min-text-length(",
    ":watch-attr(",    ":others(",        ":matches-path(", ":matches-attr(",
    ":matches-media(", ":matches-prop(",  ":if(",           ":if-not(",
    ":nth-ancestor(",  ":shadow(",
};

bool IsValidUtf8(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const auto c = static_cast<unsigned char>(text[i]);
    std::size_t extra = 0;
    std::uint32_t code = 0;
    if (c < 0x80) {
      ++i;
      continue;
    }
    if ((c & 0xE0) == 0xC0) {
      extra = 1;
      code = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
      extra = 2;
      code = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
      extra = 3;
      code = c & 0x07;
    } else {
      return false;
    }
    if (i + extra >= text.size()) return false;
    for (std::size_t k = 1; k <= extra; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      code = (code << 6) | (next & 0x3F);
    }
    // Overlong forms, surrogates and code points past Unicode.
    constexpr std::uint32_t kLeast[] = {0, 0x80, 0x800, 0x10000};
    if (code < kLeast[extra] || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) {
      return false;
    }
    i += extra + 1;
  }
  return true;
}

bool IsAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' ||
                           text.back() == '\n')) {
    text.remove_suffix(1);
  }
  return text;
}

std::vector<std::string_view> Split(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  while (true) {
    const std::size_t end = text.find(separator, start);
    parts.push_back(text.substr(start, end == std::string_view::npos ? end : end - start));
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return parts;
}

// A JSON string, quotes included.
std::string Quoted(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (u < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", u);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string QuotedList(const std::vector<std::string>& items) {
  std::string out = "[";
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i) out += ',';
    out += Quoted(items[i]);
  }
  return out + "]";
}

// A domain as the engine's if-domain and unless-domain take it ("*" in front
// takes in its subdomains), or "" for one it cannot match.
std::string DomainPattern(std::string_view domain) {
  if (domain.empty() || domain.front() == '.' || domain.back() == '.' || domain.back() == '*') {
    return "";
  }
  const std::string lower = Lower(domain);
  for (char c : lower) {
    if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '-')) return "";
  }
  return "*" + lower;
}

// A list of domains ("a.com|~b.com"), split into those named and those
// excepted. False when one cannot be matched.
bool ParseDomains(std::string_view list, char separator, std::vector<std::string>& named,
                  std::vector<std::string>& excepted) {
  for (std::string_view item : Split(list, separator)) {
    item = Trim(item);
    const bool negated = !item.empty() && item.front() == '~';
    if (negated) item.remove_prefix(1);
    const std::string pattern = DomainPattern(item);
    if (pattern.empty()) return false;
    (negated ? excepted : named).push_back(pattern);
  }
  return true;
}

// The pages an exception's address pattern takes, as PlainHidingRules reads
// them: "||example.com" for a domain and its subdomains, "://10.0.0." for
// hosts the text starts; "" for other patterns. A path after the host is
// left out: the exception then takes the whole site.
std::string PlainHidingPage(std::string_view pattern) {
  std::string_view prefix;
  if (pattern.starts_with("||")) {
    prefix = "||";
  } else if (pattern.starts_with("://")) {
    prefix = "://";
  } else {
    return "";
  }
  std::string_view host = pattern.substr(prefix.size());
  if (prefix == "||") {
    host = host.substr(0, host.find_first_of("^/:"));
    if (host.find_first_of("*|") != std::string_view::npos) return "";
    const std::string domain = DomainPattern(host);
    return domain.empty() ? "" : "||" + domain.substr(1);
  }
  if (host.empty() || host.find_first_of("*^|") != std::string_view::npos) return "";
  return "://" + Lower(host);
}

constexpr std::string_view kSeparatorClass = "[^a-zA-Z0-9_.%-]";

// An address pattern as a regular expression the engine accepts: no
// alternation, no counted repetition, no class shorthands, "^" and "$" only
// at the ends.
std::string PatternRegex(std::string_view pattern) {
  std::string regex;
  bool host_anchor = false;
  if (pattern.substr(0, 2) == "||") {
    regex = "^[^:/?#]+://([^/?#]+\\.)?";
    pattern.remove_prefix(2);
    host_anchor = true;
  } else if (!pattern.empty() && pattern.front() == '|') {
    regex = "^";
    pattern.remove_prefix(1);
  }
  bool end_anchor = false;
  if (!pattern.empty() && pattern.back() == '|') {
    end_anchor = true;
    pattern.remove_suffix(1);
  }
  // Leading and trailing wildcards say nothing to a search.
  if (!host_anchor && regex.empty()) {
    while (!pattern.empty() && pattern.front() == '*') pattern.remove_prefix(1);
  }
  if (!end_anchor) {
    while (!pattern.empty() && pattern.back() == '*') pattern.remove_suffix(1);
  }
  // Whether nothing but the host has been seen: a separator there is
  // always followed by the rest of the address.
  bool in_host = host_anchor;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    const char c = pattern[i];
    if (c == '*') {
      if (!regex.ends_with(".*")) regex += ".*";
      in_host = false;
    } else if (c == '^') {
      const bool last = i + 1 == pattern.size();
      if (last && !end_anchor && !in_host) {
        // A separator or the end of the address.
        regex += "(";
        regex += kSeparatorClass;
        regex += ".*)?$";
        return regex;
      }
      regex += kSeparatorClass;
      in_host = false;
    } else {
      if (std::string_view(".+?()[]{}|\\$").find(c) != std::string_view::npos) regex += '\\';
      regex += c;
      if (c == '/' || c == ':' || c == '?') in_host = false;
    }
  }
  if (end_anchor) regex += '$';
  if (regex.empty() || regex == "^") regex = ".*";
  return regex;
}

// The selector with its ids and class names in lower case, or "" when it
// has no capitals there. The engine matches ids and classes of pages in
// quirks mode only against lower-case names in its blocking style sheet, so
// "#AD_160" alone would never hide anything on such a page.
std::string QuirksModeVariant(std::string_view selector) {
  std::string variant(selector);
  bool changed = false, in_name = false;
  char quote = 0;
  int brackets = 0;
  for (std::size_t i = 0; i < variant.size(); ++i) {
    char& c = variant[i];
    if (quote) {
      if (c == '\\') {
        ++i;
      } else if (c == quote) {
        quote = 0;
      }
      continue;
    }
    if (c == '\\') {
      ++i;
      continue;
    }
    if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == '[') {
      ++brackets;
    } else if (c == ']') {
      if (brackets) --brackets;
    } else if (brackets == 0 && (c == '#' || c == '.')) {
      in_name = true;
      continue;
    }
    const bool name_char = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '_' || c == '-' ||
                           static_cast<unsigned char>(c) >= 0x80;
    if (!in_name || !name_char) {
      in_name = false;
      continue;
    }
    if (c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c - 'A' + 'a');
      changed = true;
    }
  }
  return changed ? variant : "";
}

// Whether every bracket, parenthesis, string and escape the selector opens
// is closed in it. The engine checks each selector alone, where the end
// closes whatever is open, but puts many into one style rule, where an open
// one takes in all that follow.
bool IsClosedSelector(std::string_view selector) {
  std::string open;  // the closing characters awaited, innermost last
  char quote = 0;
  for (std::size_t i = 0; i < selector.size(); ++i) {
    const char c = selector[i];
    if (c == '\\') {
      if (++i == selector.size()) return false;
      continue;
    }
    if (quote) {
      if (c == quote) quote = 0;
      continue;
    }
    if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == '[') {
      open += ']';
    } else if (c == '(') {
      open += ')';
    } else if (c == ']' || c == ')') {
      if (open.empty() || open.back() != c) return false;
      open.pop_back();
    } else if (c == '{' || c == '}' ||
               (c == '/' && i + 1 < selector.size() && selector[i + 1] == '*')) {
      return false;
    }
  }
  return !quote && open.empty();
}

std::string Rule(const std::string& trigger, const std::string& action) {
  return "{\"trigger\":{" + trigger + "},\"action\":{" + action + "}}";
}

}  // namespace

const char* FilterSkipName(FilterSkip reason) {
  const auto index = static_cast<std::size_t>(reason);
  return index < std::size(kSkipNames) ? kSkipNames[index] : "?";
}

int FilterStats::Skipped() const {
  int total = 0;
  for (int n : skipped) total += n;
  return total;
}

void ContentFilterConverter::AddList(std::string_view text) {
  if (text.empty()) return;
  // The line break ending the last line starts no line of its own; a lone
  // one ends an empty line.
  if (text.ends_with('\n')) text.remove_suffix(1);
  for (std::string_view line : Split(text, '\n')) AddLine(line);
}

void ContentFilterConverter::AddLine(std::string_view line) {
  ++stats_.lines;
  line = Trim(line);
  if (line.empty() || line.front() == '!' || line.front() == '[') {
    ++stats_.comments;
    return;
  }
  if (!IsValidUtf8(line)) return Skip(FilterSkip::kBadText);

  // Element hiding and its relatives: "domains" + a marker + the rest.
  const std::size_t hash = line.find('#');
  if (hash != std::string_view::npos) {
    const std::string_view domains = line.substr(0, hash);
    const bool domain_like = domains.find_first_of("/|$@\"^") == std::string_view::npos;
    const std::string_view rest = line.substr(hash);
    struct Marker {
      std::string_view text;
      int kind;  // 0 hiding, 1 hiding exception, else the reason to skip
    };
    constexpr int kHide = 0, kUnhide = 1;
    static constexpr Marker kMarkers[] = {
        {"##+js(", static_cast<int>(FilterSkip::kScriptlet) + 2},
        {"#@#+js(", static_cast<int>(FilterSkip::kScriptlet) + 2},
        {"##^", static_cast<int>(FilterSkip::kHtml) + 2},
        {"#@#^", static_cast<int>(FilterSkip::kHtml) + 2},
        {"##", kHide},
        {"#@#", kUnhide},
        {"#?#", static_cast<int>(FilterSkip::kProcedural) + 2},
        {"#@?#", static_cast<int>(FilterSkip::kProcedural) + 2},
        {"#$#", static_cast<int>(FilterSkip::kStyle) + 2},
        {"#@$#", static_cast<int>(FilterSkip::kStyle) + 2},
        {"#$?#", static_cast<int>(FilterSkip::kStyle) + 2},
        {"#@$?#", static_cast<int>(FilterSkip::kStyle) + 2},
        {"#%#", static_cast<int>(FilterSkip::kScriptlet) + 2},
        {"#@%#", static_cast<int>(FilterSkip::kScriptlet) + 2},
    };
    if (domain_like) {
      for (const Marker& marker : kMarkers) {
        if (!rest.starts_with(marker.text)) continue;
        if (marker.kind >= 2) return Skip(static_cast<FilterSkip>(marker.kind - 2));
        const std::size_t marker_size = marker.kind == kHide ? 2 : 3;
        AddCosmetic(domains, Trim(rest.substr(marker_size)), marker.kind == kUnhide);
        return;
      }
    }
  }
  AddNetwork(line);
}

void ContentFilterConverter::AddCosmetic(std::string_view domains, std::string_view selector,
                                         bool exception) {
  if (selector.empty()) return Skip(FilterSkip::kTooBroad);
  for (std::string_view mark : kProceduralMarks) {
    if (selector.find(mark) != std::string_view::npos) return Skip(FilterSkip::kProcedural);
  }
  if (selector.find(":style(") != std::string_view::npos) return Skip(FilterSkip::kStyle);
  if (!IsClosedSelector(selector)) return Skip(FilterSkip::kSelector);
  Hiding hiding;
  if (!ParseDomains(domains, ',', hiding.domains, hiding.except)) {
    if (!Trim(domains).empty()) return Skip(FilterSkip::kDomain);
    hiding = {};
  }
  const std::string key(selector);
  // An exception everywhere but some sites would need a rule per other site.
  if (exception && !hiding.except.empty()) return Skip(FilterSkip::kMixedDomains);
  if (exception) {
    ++stats_.hiding_exceptions;
    auto& excepted = hiding_excepted_[key];
    if (hiding.domains.empty()) {
      excepted.push_back("");  // everywhere
    } else {
      excepted.insert(excepted.end(), hiding.domains.begin(), hiding.domains.end());
    }
    return;
  }
  if (!hiding.domains.empty() && !hiding.except.empty()) return Skip(FilterSkip::kMixedDomains);
  auto [it, added] = hiding_.try_emplace(key);
  if (added) hiding_order_.push_back(key);
  it->second.push_back(std::move(hiding));
}

void ContentFilterConverter::AddNetwork(std::string_view line) {
  const bool exception = line.starts_with("@@");
  if (exception) line.remove_prefix(2);
  if (line.size() > 1 && line.front() == '/' && line.back() == '/') return Skip(FilterSkip::kRegex);

  std::string_view pattern = line;
  std::string_view options;
  const std::size_t dollar = line.rfind('$');
  if (dollar != std::string_view::npos) {
    pattern = line.substr(0, dollar);
    options = line.substr(dollar + 1);
  }
  if (pattern.size() > 1 && pattern.front() == '/' && pattern.back() == '/') {
    return Skip(FilterSkip::kRegex);
  }
  if (!IsAscii(pattern)) return Skip(FilterSkip::kNonAscii);

  unsigned types = 0, not_types = 0;
  int party = 0;  // 1 third-party only, -1 first-party only
  bool match_case = false;
  bool hide_exception = false;     // @@...$elemhide: the page keeps its elements
  bool generic_exception = false;  // @@...$generichide: and those of rules for every site
  std::vector<std::string> if_domains, unless_domains;
  if (dollar != std::string_view::npos) {
    for (std::string_view option : Split(options, ',')) {
      option = Trim(option);
      const std::string name = Lower(option.substr(0, option.find('=')));
      const std::string_view value =
          option.find('=') == std::string_view::npos ? "" : option.substr(option.find('=') + 1);
      if (name == "third-party" || name == "3p" || name == "~first-party" || name == "~1p") {
        party = 1;
      } else if (name == "~third-party" || name == "~3p" || name == "first-party" || name == "1p") {
        party = -1;
      } else if (name == "match-case") {
        match_case = true;
      } else if (name == "domain" || name == "from") {
        if (!ParseDomains(value, '|', if_domains, unless_domains)) {
          return Skip(FilterSkip::kDomain);
        }
      } else if (exception && (name == "elemhide" || name == "ehide")) {
        hide_exception = true;
      } else if (exception && (name == "generichide" || name == "ghide")) {
        generic_exception = true;
      } else if (std::find(std::begin(kIgnoredOptions), std::end(kIgnoredOptions), name) !=
                 std::end(kIgnoredOptions)) {
        // nothing to do
      } else {
        const bool negated = name.starts_with("~");
        const std::string_view type = std::string_view(name).substr(negated ? 1 : 0);
        auto known = std::find_if(std::begin(kTypeOptions), std::end(kTypeOptions),
                                  [&](const auto& t) { return t.option == type; });
        if (known == std::end(kTypeOptions) || !value.empty()) return Skip(FilterSkip::kOption);
        (negated ? not_types : types) |= known->bits;
      }
    }
  }
  if (!if_domains.empty() && !unless_domains.empty()) return Skip(FilterSkip::kMixedDomains);

  // Pages where the hiding rules for every site stay off. The engine cannot
  // tell those rules from the others: such pages are only known to the
  // rules pages ask for by name.
  if ((generic_exception || hide_exception || (types & kTopDocument)) && if_domains.empty() &&
      unless_domains.empty()) {
    if (const std::string page = PlainHidingPage(pattern); !page.empty()) {
      plain_hiding_off_ += "@@" + page + "\n";
      if (generic_exception && !hide_exception && !types) {
        ++stats_.hiding_exceptions;
        return;
      }
    }
  }
  if (generic_exception) return Skip(FilterSkip::kOption);

  unsigned wanted = (types ? types : kDefaultTypes) & ~not_types;
  if (hide_exception) {
    if (types || not_types) return Skip(FilterSkip::kOption);
    wanted = kTopDocument | kChildDocument;
  }
  if (wanted == 0) return Skip(FilterSkip::kOption);

  // A whole site let through: nothing is blocked on its pages.
  if (exception && (types & kTopDocument) && if_domains.empty() && unless_domains.empty() &&
      pattern.starts_with("||")) {
    std::string_view host = pattern.substr(2);
    if (host.ends_with('^')) host.remove_suffix(1);
    const std::string domain = DomainPattern(host);
    if (!domain.empty()) {
      ++stats_.blocking;
      exceptions_.push_back(Rule("\"url-filter\":\".*\",\"if-domain\":" + QuotedList({domain}),
                                 "\"type\":\"ignore-previous-rules\""));
      return;
    }
  }
  // Anchors and wildcards alone match every address.
  const std::string regex =
      pattern.find_first_not_of("|*^") == std::string_view::npos ? ".*" : PatternRegex(pattern);
  if (regex == ".*" && if_domains.empty() && unless_domains.empty() && party == 0 && !exception &&
      !types) {
    return Skip(FilterSkip::kTooBroad);
  }

  std::string trigger = "\"url-filter\":" + Quoted(regex);
  if (match_case) trigger += ",\"url-filter-is-case-sensitive\":true";
  if (!if_domains.empty()) trigger += ",\"if-domain\":" + QuotedList(if_domains);
  if (!unless_domains.empty()) trigger += ",\"unless-domain\":" + QuotedList(unless_domains);
  if (wanted != kAllTypes) {
    std::vector<std::string> names;
    for (const auto& t : kTypeNames) {
      if (wanted & t.bit) names.push_back(t.name);
    }
    trigger += ",\"resource-type\":" + QuotedList(names);
  }
  if (party)
    trigger += party > 0 ? ",\"load-type\":[\"third-party\"]" : ",\"load-type\":[\"first-party\"]";
  ++stats_.blocking;
  if (exception) {
    exceptions_.push_back(Rule(trigger, "\"type\":\"ignore-previous-rules\""));
  } else {
    blocks_.push_back(Rule(trigger, "\"type\":\"block\""));
  }
}

bool IsPlainNameSelector(std::string_view selector) {
  if (selector.size() < 2 || (selector[0] != '#' && selector[0] != '.')) return false;
  std::string_view name = selector.substr(1);
  auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; };
  std::size_t first = name[0] == '-' ? 1 : 0;
  if (first >= name.size() || !letter(name[first])) return false;
  for (char c : name) {
    if (!letter(c) && !(c >= '0' && c <= '9') && c != '-') return false;
  }
  return true;
}

std::string ContentFilterConverter::Json() {
  std::vector<std::string> hiding_rules;
  plain_hiding_.clear();
  int plain = 0;
  for (const std::string& selector : hiding_order_) {
    std::vector<std::string> excepted;
    if (auto it = hiding_excepted_.find(selector); it != hiding_excepted_.end()) {
      excepted = it->second;
    }
    if (std::find(excepted.begin(), excepted.end(), "") != excepted.end()) continue;
    const std::string variant = QuirksModeVariant(selector);
    const std::string action = "\"type\":\"css-display-none\",\"selector\":" +
                               Quoted(variant.empty() ? selector : selector + ", " + variant);
    for (Hiding hiding : hiding_.at(selector)) {
      if (hiding.domains.empty()) {
        hiding.except.insert(hiding.except.end(), excepted.begin(), excepted.end());
      } else {
        std::erase_if(hiding.domains, [&](const std::string& d) {
          return std::find(excepted.begin(), excepted.end(), d) != excepted.end();
        });
        if (hiding.domains.empty()) continue;
      }
      if (hiding.domains.empty() && IsPlainNameSelector(selector)) {
        plain_hiding_ += selector;
        for (std::size_t i = 0; i < hiding.except.size(); ++i) {
          plain_hiding_ += i ? ',' : '\t';
          plain_hiding_ += hiding.except[i];
        }
        plain_hiding_ += '\n';
        ++plain;
        continue;
      }
      std::string trigger = "\"url-filter\":\".*\"";
      if (!hiding.domains.empty()) trigger += ",\"if-domain\":" + QuotedList(hiding.domains);
      if (!hiding.except.empty()) trigger += ",\"unless-domain\":" + QuotedList(hiding.except);
      hiding_rules.push_back(Rule(trigger, action));
    }
  }
  stats_.hiding = static_cast<int>(hiding_rules.size()) + plain;
  plain_hiding_ = plain_hiding_off_ + plain_hiding_;

  std::string json = "[";
  bool first = true;
  for (const auto* rules : {&hiding_rules, &blocks_, &exceptions_}) {
    for (const std::string& rule : *rules) {
      if (!first) json += ",\n";
      first = false;
      json += rule;
    }
  }
  return json + "]\n";
}

void PlainHidingRules::Load(std::string_view text) {
  for (std::string_view line : Split(text, '\n')) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.starts_with("@@||") && line.size() > 4) {
      off_domains_.emplace_back(Lower(line.substr(4)));
      continue;
    }
    if (line.starts_with("@@://") && line.size() > 5) {
      off_prefixes_.emplace_back(Lower(line.substr(5)));
      continue;
    }
    const std::size_t tab = line.find('\t');
    Rule rule{std::string(line.substr(0, tab)), {}};
    if (!IsPlainNameSelector(rule.selector)) continue;
    if (tab != std::string_view::npos) {
      for (std::string_view domain : Split(line.substr(tab + 1), ',')) {
        // "*example.com": the domain and its subdomains.
        if (domain.size() > 1 && domain.front() == '*') rule.except.emplace_back(domain.substr(1));
      }
    }
    by_name_[Lower(rule.selector)].push_back(std::move(rule));
    ++count_;
  }
}

std::string PlainHidingRules::Selectors(const std::vector<std::string>& names,
                                        std::string_view host) const {
  const std::string lower_host = Lower(host);
  auto within = [&](const std::string& domain) {
    return lower_host == domain ||
           (lower_host.size() > domain.size() && lower_host.ends_with(domain) &&
            lower_host[lower_host.size() - domain.size() - 1] == '.');
  };
  for (const std::string& domain : off_domains_) {
    if (within(domain)) return "";
  }
  for (const std::string& prefix : off_prefixes_) {
    if ((lower_host + "/").starts_with(prefix) || (lower_host + ":").starts_with(prefix)) return "";
  }
  auto excepted = [&](const Rule& rule) {
    return std::any_of(rule.except.begin(), rule.except.end(), within);
  };
  std::string out;
  for (const std::string& name : names) {
    auto it = by_name_.find(Lower(name));
    if (it == by_name_.end()) continue;
    for (const Rule& rule : it->second) {
      if (excepted(rule)) continue;
      if (!out.empty()) out += ", ";
      out += rule.selector;
      // As the engine's own hiding did: a page in quirks mode may use the
      // name in lower case.
      if (const std::string lower = Lower(rule.selector); lower != rule.selector) {
        out += ", " + lower;
      }
    }
  }
  return out;
}

std::string PlainHidingPath(std::string_view rules_path) {
  std::string path(rules_path);
  if (path.ends_with(".json")) path.resize(path.size() - 5);
  return path + ".hiding";
}

std::vector<RulesChoice> ChooseBlockingRules(std::int64_t shipped, std::int64_t lists,
                                             std::int64_t cached) {
  std::vector<RulesChoice> order;
  if (lists != 0 && (shipped == 0 || shipped < lists)) {
    order.push_back(cached >= lists ? RulesChoice::kCached : RulesChoice::kConvert);
  }
  auto add = [&](RulesChoice choice) {
    if (std::find(order.begin(), order.end(), choice) == order.end()) order.push_back(choice);
  };
  if (shipped != 0 && order.empty()) add(RulesChoice::kShipped);
  if (lists != 0) add(RulesChoice::kConvert);
  if (shipped != 0) add(RulesChoice::kShipped);
  return order;
}

std::string FilterSiteOf(std::string_view url) {
  // Web pages only: the program's own pages and files are no sites.
  const std::string scheme = Lower(url.substr(0, url.find(':')));
  if ((scheme != "http" && scheme != "https") || url.substr(scheme.size(), 3) != "://") return "";
  std::string_view rest = url.substr(scheme.size() + 3);
  rest = rest.substr(0, rest.find_first_of("/?#"));
  if (const std::size_t at = rest.rfind('@'); at != std::string_view::npos) {
    rest.remove_prefix(at + 1);
  }
  rest = rest.substr(0, rest.find(':'));
  std::string host = Lower(rest);
  // Names only: the setting is kept under the host as a key.
  for (char c : host) {
    if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '_')) {
      return "";
    }
  }
  if (host.starts_with("www.")) host.erase(0, 4);
  return host;
}

}  // namespace tabulon
