#pragma once
#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tabulon {

// Why a line of a filter list was left out: the engine's content blocker
// cannot express what it asks for.
enum class FilterSkip {
  kRegex,         // /.../ address patterns
  kScriptlet,     // ##+js(...) and #%# script injection
  kProcedural,    // #?#, :has-text() and the other selectors only script can run
  kStyle,         // #$# and :style(): style changes rather than hiding
  kHtml,          // ##^ filtering of the page's source
  kOption,        // $redirect, $csp, $removeparam, $generichide, unknown options…
  kMixedDomains,  // a domain list both naming and excepting domains
  kDomain,        // a domain the engine cannot match (example.*, not ASCII)
  kNonAscii,      // an address pattern that is not ASCII
  kBadText,       // not UTF-8
  kTooBroad,      // a rule that would block every address
  kSelector,      // a selector left open: it would swallow the ones after it
  kCount
};

// A short English name of the reason, for the converter's report.
const char* FilterSkipName(FilterSkip reason);

struct FilterStats {
  int lines = 0;     // every line read
  int comments = 0;  // comments, headers and empty lines
  int blocking = 0;  // address rules, with exceptions
  int hiding = 0;    // element hiding rules, after their exceptions
  int hiding_exceptions = 0;
  std::array<int, static_cast<int>(FilterSkip::kCount)> skipped{};
  int Skipped() const;
};

// Turns filter lists in Adblock Plus syntax into the engine's content
// blocker rules (a JSON array of triggers and actions). Exceptions come
// after what they except, as the engine applies them only to earlier rules.
class ContentFilterConverter {
 public:
  // Adds the lines of one list.
  void AddList(std::string_view text);
  void AddLine(std::string_view line);
  // The rules so far, as JSON text. Settles the element hiding counts.
  std::string Json();
  // The hiding rules for every site whose selector is one id or class name
  // ("#name", ".name"), left out of Json(): one a line, the selector, then
  // after a tab the excepted domains as Json() writes them, comma separated.
  // Lines "@@||domain" and "@@://start of host" come first: pages where
  // none of them apply ($generichide, $elemhide and $document exceptions).
  // The engine would give every page a style sheet of some 15,000 of these,
  // a few megabytes each; the pages ask for the names they use instead.
  // Settled by Json().
  const std::string& PlainHiding() const { return plain_hiding_; }
  const FilterStats& Stats() const { return stats_; }

 private:
  struct Hiding {
    std::vector<std::string> domains;  // if-domain, or none for every site
    std::vector<std::string> except;   // unless-domain
  };
  void AddNetwork(std::string_view line);
  void AddCosmetic(std::string_view domains, std::string_view selector, bool exception);
  void Skip(FilterSkip reason) { ++stats_.skipped[static_cast<int>(reason)]; }

  std::vector<std::string> blocks_;      // JSON objects
  std::vector<std::string> exceptions_;  // JSON objects
  // Element hiding rules by selector, in the order first seen, and the
  // domains #@# rules except from each.
  std::map<std::string, std::vector<Hiding>> hiding_;
  std::vector<std::string> hiding_order_;
  std::map<std::string, std::vector<std::string>> hiding_excepted_;
  std::string plain_hiding_;
  std::string plain_hiding_off_;  // "@@" lines: pages without those rules
  FilterStats stats_;
};

// The element hiding rules a page asks for by the id and class names it
// uses, read from ContentFilterConverter::PlainHiding() text.
class PlainHidingRules {
 public:
  // Lines that are not such rules are passed over.
  void Load(std::string_view text);
  bool Empty() const { return by_name_.empty(); }
  std::size_t Size() const { return count_; }
  // The selectors, comma separated, that hide elements with these names
  // ("#id", ".class", any case) on a page of host; "" for none.
  std::string Selectors(const std::vector<std::string>& names, std::string_view host) const;

 private:
  struct Rule {
    std::string selector;
    std::vector<std::string> except;
  };
  // By the name in lower case: a page in quirks mode matches names in any case.
  std::unordered_map<std::string, std::vector<Rule>> by_name_;
  std::size_t count_ = 0;
  // Pages where none apply: hosts within these domains, hosts these start.
  std::vector<std::string> off_domains_;
  std::vector<std::string> off_prefixes_;
};

// Whether a selector is one id or class name, "#name" or ".name", without
// escapes: what PlainHiding() takes.
bool IsPlainNameSelector(std::string_view selector);

// Where the PlainHiding() text of a rules file is kept: beside it, with
// ".hiding" for its ".json".
std::string PlainHidingPath(std::string_view rules_path);

// Which blocking rules the browser starts with, from the files' times of
// change (0 for a file that is not there): the rules it was built with,
// unless the system's filter lists have changed since; then those lists,
// converted once and kept in the cache folder. Rules that cannot be used
// (a damaged cache, a broken install) give way to the ones after them: the
// lists converted anew, then the rules it was built with. None: no rules at
// all.
enum class RulesChoice { kShipped, kCached, kConvert };
std::vector<RulesChoice> ChooseBlockingRules(std::int64_t shipped, std::int64_t lists,
                                             std::int64_t cached);

// The site a per-site setting is kept under: the host of a web (http or
// https) address in lower case, without a leading "www."; "" for any other
// address (a built-in page, a file) and for an IPv6 address.
std::string FilterSiteOf(std::string_view url);

}  // namespace tabulon
