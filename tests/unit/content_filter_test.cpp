// The filter converter, on lines taken from EasyList and EasyPrivacy.
#include "browsing/content_filter.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "fuzz/json_check.h"

namespace tabulon::testing {
namespace {

std::string Convert(const std::string& list) {
  ContentFilterConverter converter;
  converter.AddList(list);
  return converter.Json();
}

// The url-filter of the one rule a line gives, unescaped from its JSON.
std::string UrlFilterOf(const std::string& line) {
  const std::string json = Convert(line);
  const std::string key = "\"url-filter\":\"";
  const std::size_t start = json.find(key);
  if (start == std::string::npos) return "";
  std::string regex;
  for (std::size_t i = start + key.size(); i < json.size() && json[i] != '"'; ++i) {
    if (json[i] == '\\') ++i;
    regex += json[i];
  }
  return regex;
}

// The engine's url-filter language is a subset of ECMAScript's.
struct AddressCase {
  const char* line;
  const char* url;
  bool matches;
};

class RuleAddresses : public ::testing::TestWithParam<AddressCase> {};

TEST_P(RuleAddresses, MatchAsTheFilterSyntaxSays) {
  const AddressCase& c = GetParam();
  const std::string regex = UrlFilterOf(c.line);
  ASSERT_FALSE(regex.empty()) << Convert(c.line);
  auto flags = std::regex::ECMAScript;
  if (std::string(c.line).find("match-case") == std::string::npos) flags |= std::regex::icase;
  EXPECT_EQ(std::regex_search(c.url, std::regex(regex, flags)), c.matches)
      << c.line << " as " << regex << " on " << c.url;
}

INSTANTIATE_TEST_SUITE_P(
    FromTheLists, RuleAddresses,
    ::testing::Values(
        // || anchors a host and its subdomains, ^ ends it.
        AddressCase{"||doubleclick.net^", "https://ad.doubleclick.net/x.js", true},
        AddressCase{"||doubleclick.net^", "https://doubleclick.net/", true},
        AddressCase{"||doubleclick.net^", "https://notdoubleclick.net/", false},
        AddressCase{"||doubleclick.net^", "https://doubleclick.net.example.com/", false},
        AddressCase{"||doubleclick.net^", "https://example.com/?u=doubleclick.net/", false},
        AddressCase{"||googletagmanager.com/gtm.js", "http://www.googletagmanager.com/gtm.js?id=1",
                    true},
        // Dots are dots, not any character.
        AddressCase{"-ad-sidebar.$image", "https://e.com/x-ad-sidebar.png", true},
        AddressCase{"-ad-sidebar.$image", "https://e.com/x-ad-sidebarXpng", false},
        // | at the end anchors the end; a trailing ^ takes the end too.
        AddressCase{".com/b.js|", "https://e.com/b.js", true},
        AddressCase{".com/b.js|", "https://e.com/b.js?x=1", false},
        AddressCase{"/nb-collector^", "https://e.com/nb-collector", true},
        AddressCase{"/nb-collector^", "https://e.com/nb-collector?x", true},
        AddressCase{"/nb-collector^", "https://e.com/nb-collectors", false},
        // * spans anything; ? and other specials stand for themselves.
        AddressCase{"/?l=*&s=*&mprtr=$~third-party,xmlhttprequest",
                    "https://e.com/?l=1&s=2&mprtr=3", true},
        AddressCase{"/?l=*&s=*&mprtr=$~third-party,xmlhttprequest", "https://e.com/l=1&s=2&mprtr=3",
                    false},
        AddressCase{"/ajax/banners?page=$~third-party,xmlhttprequest",
                    "https://e.com/ajax/banners?page=2", true},
        AddressCase{"wss://www.*.xyz/ws^$third-party", "wss://www.abc.xyz/ws", true},
        // Case only counts with match-case.
        AddressCase{"/BannerAd.$match-case", "https://e.com/BannerAd.gif", true},
        AddressCase{"/BannerAd.$match-case", "https://e.com/bannerad.gif", false}));

// What a line becomes, as fragments of its rule's JSON; none for a line
// that gives no rule.
struct TriggerCase {
  const char* line;
  std::vector<std::string> has;
  std::vector<std::string> lacks;
};

class RuleTriggers : public ::testing::TestWithParam<TriggerCase> {};

TEST_P(RuleTriggers, CarryTheOptions) {
  const TriggerCase& c = GetParam();
  const std::string json = Convert(c.line);
  ASSERT_TRUE(json_check::IsJson(json)) << json;
  for (const std::string& fragment : c.has)
    EXPECT_NE(json.find(fragment), std::string::npos) << json;
  for (const std::string& fragment : c.lacks)
    EXPECT_EQ(json.find(fragment), std::string::npos) << json;
}

INSTANTIATE_TEST_SUITE_P(
    FromTheLists, RuleTriggers,
    ::testing::Values(
        TriggerCase{"||wipe.de^$~script,third-party",
                    {"\"load-type\":[\"third-party\"]", "\"image\"", "\"type\":\"block\""},
                    {"\"script\"", "top-document"}},
        TriggerCase{"/ajax/banners?page=$~third-party,xmlhttprequest",
                    {"\"load-type\":[\"first-party\"]", "\"resource-type\":[\"raw\"]"},
                    {}},
        // A rule with no type stays off the page the user asked for.
        TriggerCase{"||doubleclick.net^", {"child-document"}, {"top-document", "popup"}},
        TriggerCase{"-ad-sidebar.$image", {"\"resource-type\":[\"image\"]"}, {}},
        TriggerCase{"/BannerAd.$match-case", {"\"url-filter-is-case-sensitive\":true"}, {}},
        TriggerCase{"&http_referer=$script,xmlhttprequest,domain=~biletomat.pl|~facebook.com",
                    {"\"unless-domain\":[\"*biletomat.pl\",\"*facebook.com\"]",
                     "\"resource-type\":[\"script\",\"raw\"]"},
                    {"if-domain"}},
        TriggerCase{"@@||ads.rogersmedia.com^$subdocument,domain=cbc.ca",
                    {"\"if-domain\":[\"*cbc.ca\"]", "\"resource-type\":[\"child-document\"]",
                     "ignore-previous-rules"},
                    {"\"block\""}},
        // A whole site let through.
        TriggerCase{
            "@@||jetzt.de^$document",
            {"\"url-filter\":\".*\",\"if-domain\":[\"*jetzt.de\"]", "ignore-previous-rules"},
            {"resource-type"}},
        TriggerCase{"@@||example.com^$elemhide",
                    {"top-document", "child-document", "ignore-previous-rules"},
                    {"image"}},
        TriggerCase{
            "##.ad-banner img",
            {"\"url-filter\":\".*\"", "\"css-display-none\"", "\"selector\":\".ad-banner img\""},
            {"domain"}},
        TriggerCase{"dez.ro,53.com###ad-carousel", {"\"if-domain\":[\"*dez.ro\",\"*53.com\"]"}, {}},
        // Pages in quirks mode match ids and classes only in lower case;
        // attribute values keep their case.
        TriggerCase{"###AD_160 > a", {R"("selector":"#AD_160 > a, #ad_160 > a")"}, {}},
        TriggerCase{
            R"(##div.AdBox > a[href*="AdServer"])",
            {R"("selector":"div.AdBox > a[href*=\"AdServer\"], div.adbox > a[href*=\"AdServer\"]")"},
            {}},
        TriggerCase{
            "~example.com##div.ad", {"\"unless-domain\":[\"*example.com\"]"}, {"if-domain"}},
        // Quotes and backslashes stay inside their JSON string.
        TriggerCase{"##a[href^=\"http://ad.\\\"x\"]",
                    {R"("selector":"a[href^=\"http://ad.\\\"x\"]")"},
                    {}}));

struct SkipCase {
  const char* line;
  FilterSkip reason;
};

class SkippedLines : public ::testing::TestWithParam<SkipCase> {};

TEST_P(SkippedLines, AreCountedByReasonAndGiveNoRule) {
  ContentFilterConverter converter;
  converter.AddLine(GetParam().line);
  EXPECT_EQ(converter.Json(), "[]\n");
  EXPECT_EQ(converter.Stats().Skipped(), 1);
  EXPECT_EQ(converter.Stats().skipped[static_cast<int>(GetParam().reason)], 1)
      << FilterSkipName(GetParam().reason);
}

INSTANTIATE_TEST_SUITE_P(
    FromTheLists, SkippedLines,
    ::testing::Values(
        SkipCase{"/^https?:\\/\\/146\\.59\\.211\\.(\\d){1,3}.*/$popup,third-party",
                 FilterSkip::kRegex},
        SkipCase{"/(https?:\\/\\/)\\w{30,}\\.me\\/\\w{30,}\\./$script,third-party",
                 FilterSkip::kRegex},
        SkipCase{"visible.com##+js(set-local-storage-item, browser-ids, $remove$)",
                 FilterSkip::kScriptlet},
        SkipCase{"gsmarena.com#?##subHeader3:has-text(daily deals)", FilterSkip::kProcedural},
        SkipCase{"example.com##.x:-abp-has(.ad)", FilterSkip::kProcedural},
        SkipCase{"abema.tv##^script:has-text(NREUM)", FilterSkip::kHtml},
        SkipCase{"example.com#$#body { overflow: auto !important; }", FilterSkip::kStyle},
        SkipCase{"||thegay.com^$csp=default-src 'self' *.ahcdn.com", FilterSkip::kOption},
        SkipCase{"@@/ads/x$generichide", FilterSkip::kOption},
        SkipCase{"||example.com/ad.js$redirect=noopjs", FilterSkip::kOption},
        SkipCase{"||example.com^$removeparam=utm_source", FilterSkip::kOption},
        SkipCase{".com/ad/$~image,third-party,domain=espn.com|~x.espn.com",
                 FilterSkip::kMixedDomains},
        SkipCase{"ticketmaster.*##.ad", FilterSkip::kDomain},
        SkipCase{"~example.com#@#.ad", FilterSkip::kMixedDomains},
        SkipCase{"/広告/", FilterSkip::kRegex}, SkipCase{"/広告.gif", FilterSkip::kNonAscii},
        SkipCase{"/ad\xff.gif", FilterSkip::kBadText}, SkipCase{"*", FilterSkip::kTooBroad},
        // Each would take in the selectors the engine puts after it.
        SkipCase{"##a[href^=\"http://ad.", FilterSkip::kSelector},
        SkipCase{"example.com##div:not(.content", FilterSkip::kSelector},
        SkipCase{"##.ad /* banner", FilterSkip::kSelector},
        SkipCase{"##.ad\\", FilterSkip::kSelector},
        SkipCase{"##.ad { color: red }", FilterSkip::kSelector},
        SkipCase{"##a[href)]", FilterSkip::kSelector}));

TEST(ContentFilterList, CommentsAreNoRulesAndExceptionsComeAfterWhatTheyExcept) {
  ContentFilterConverter converter;
  converter.AddList(
      "[Adblock Plus 2.0]\n! Title: EasyList\n\n@@||ads.example.com/ok.js\r\n"
      "||ads.example.com^\r\n##.ad-banner > img\n");
  const std::string json = converter.Json();
  ASSERT_TRUE(json_check::IsJson(json)) << json;
  EXPECT_EQ(converter.Stats().comments, 3);
  EXPECT_EQ(converter.Stats().blocking, 2);
  EXPECT_EQ(converter.Stats().hiding, 1);
  const std::size_t hide = json.find("css-display-none");
  const std::size_t block = json.find("\"block\"");
  const std::size_t except = json.find("ignore-previous-rules");
  EXPECT_LT(hide, block);
  EXPECT_LT(block, except);
}

// The engine has no hiding exceptions: they take domains out of the rules
// they except, or the rule as a whole.
TEST(ContentFilterList, HidingExceptionsNarrowTheRulesTheyExcept) {
  ContentFilterConverter converter;
  converter.AddList(
      "###ad-carousel\ndez.ro#@##ad-carousel\n"
      "a.com,b.com##.promo\na.com#@#.promo\n"
      "c.com##.gone\n#@#.gone\n"
      "d.com##.only\nd.com#@#.only\n"
      "##div.ad\ne.com#@#div.ad\n");
  const std::string json = converter.Json();
  EXPECT_EQ(converter.PlainHiding(), "#ad-carousel\t*dez.ro\n");
  EXPECT_NE(
      json.find(
          R"("unless-domain":["*e.com"]},"action":{"type":"css-display-none","selector":"div.ad"})"),
      std::string::npos)
      << json;
  EXPECT_NE(
      json.find(
          R"("if-domain":["*b.com"]},"action":{"type":"css-display-none","selector":".promo"})"),
      std::string::npos)
      << json;
  EXPECT_EQ(json.find(".gone"), std::string::npos) << json;
  EXPECT_EQ(json.find(".only"), std::string::npos) << json;
}

// Hiding rules for every site by one id or class name stay out of the
// engine's rules; a page asks for the names it uses.
TEST(PlainHiding, AnswersThePagesNamesButNotOnExceptedDomains) {
  ContentFilterConverter converter;
  converter.AddList(
      "###AD_160\n##.banner\nexample.com#@#.banner\n##.ad.box\n##.\\31 ad\n##.-ad\n"
      "news.com##.local\n@@||mail.org^$generichide\n@@://127.0.0.1$generichide\n"
      "@@||site.net/path/$document\n@@||*.ads$ghide\n");
  ASSERT_TRUE(json_check::IsJson(converter.Json()));
  PlainHidingRules rules;
  rules.Load(converter.PlainHiding() + "not a rule\n.x y\n\n");
  EXPECT_EQ(rules.Size(), 3u);
  EXPECT_EQ(rules.Selectors({"#ad_160", ".banner", ".local", ".ad", ".-ad"}, "a.org"),
            "#AD_160, #ad_160, .banner, .-ad");
  EXPECT_EQ(rules.Selectors({".banner"}, "WWW.Example.com"), "");
  EXPECT_EQ(rules.Selectors({".banner"}, "example.com"), "");
  EXPECT_EQ(rules.Selectors({".banner"}, "badexample.com"), ".banner");
  EXPECT_EQ(rules.Selectors({}, "a.org"), "");
  // Pages where they stay off.
  for (const char* host : {"mail.org", "x.mail.org", "127.0.0.1", "www.site.net"}) {
    EXPECT_EQ(rules.Selectors({".banner"}, host), "") << host;
  }
  EXPECT_EQ(rules.Selectors({".banner"}, "127.0.1.1"), ".banner");
  EXPECT_EQ(converter.Stats().skipped[static_cast<int>(FilterSkip::kOption)], 1);
}

// The first choice, then what stands in when its rules cannot be used.
TEST(BlockingRulesChoice, PrefersListsNewerThanTheShippedRulesConvertedOnce) {
  using enum RulesChoice;
  struct Case {
    std::int64_t shipped, lists, cached;
    std::vector<RulesChoice> order;
  };
  const Case cases[] = {
      {100, 0, 0, {kShipped}},                         // no lists on the system
      {100, 90, 0, {kShipped, kConvert}},              // the lists it was built from
      {100, 100, 0, {kShipped, kConvert}},             //
      {100, 200, 0, {kConvert, kShipped}},             // newer lists, not converted yet
      {100, 200, 150, {kConvert, kShipped}},           // converted from older lists
      {100, 200, 250, {kCached, kConvert, kShipped}},  //
      {0, 200, 250, {kCached, kConvert}},              // built without rules
      {0, 200, 0, {kConvert}},                         //
      {0, 0, 250, {}},                                 // and without lists
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ChooseBlockingRules(c.shipped, c.lists, c.cached), c.order)
        << c.shipped << " " << c.lists << " " << c.cached;
  }
}

struct SiteCase {
  const char* url;
  const char* site;
};

class FilterSites : public ::testing::TestWithParam<SiteCase> {};

TEST_P(FilterSites, AreTheHostWithoutWww) {
  EXPECT_EQ(FilterSiteOf(GetParam().url), GetParam().site) << GetParam().url;
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, FilterSites,
    ::testing::Values(SiteCase{"https://www.Example.com/a?b#c", "example.com"},
                      SiteCase{"http://user:pw@news.example.co.jp:8080/", "news.example.co.jp"},
                      SiteCase{"http://127.0.0.1:4000/x", "127.0.0.1"},
                      SiteCase{"http://[::1]:80/", ""}, SiteCase{"tabulon://start/", ""},
                      SiteCase{"HTTPS://Example.com", "example.com"},
                      SiteCase{"file:///home/a.html", ""}, SiteCase{"", ""},
                      SiteCase{"http://a=b;c/", ""}));

}  // namespace
}  // namespace tabulon::testing
