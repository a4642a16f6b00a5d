#include "browsing/internet_settings.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "browsing/search_page.h"
#include "browsing/start_page.h"
#include "fakes/fakes.h"
#include "param_names.h"
#include "settings/file_settings_store.h"
#include "settings_temp_folder.h"

namespace tabulon {
namespace {

using testing::FakeSettingsStore;
using testing_support::Quoted;
using testing_support::TempFolder;

std::string Key(const char* key) { return std::string("Tabulon/Internet/") + key; }

// --- Reading -----------------------------------------------------------------

class InternetSettingsNeverWritten : public ::testing::Test {
 protected:
  FakeSettingsStore store_;
};

TEST_F(InternetSettingsNeverWritten, HomeIsTheBuiltInStartPage) {
  EXPECT_EQ(ReadHomePage(store_), kHomeUrl);
}

TEST_F(InternetSettingsNeverWritten, SearchAddressIsAPublicSearchThatPassesItsOwnCheck) {
  const std::string search = ReadSearchAddress(store_);
  EXPECT_EQ(CheckSearchAddress(search), AddressProblem::kNone) << search;
}

TEST_F(InternetSettingsNeverWritten, EncodingIsLeftToTheEngine) {
  EXPECT_EQ(ReadDefaultEncoding(store_), "");
}

class InternetSettingsEditedByHand : public ::testing::Test {
 protected:
  FakeSettingsStore store_;
};

TEST_F(InternetSettingsEditedByHand, UnusableValuesAreNotFollowed) {
  store_.values[Key(kHomePageKey)] = "javascript:alert(1)";
  store_.values[Key(kSearchAddressKey)] = "https://search.example/?q=";
  store_.values[Key(kDefaultEncodingKey)] = "klingon";
  EXPECT_EQ(ReadHomePage(store_), kHomeUrl);
  EXPECT_EQ(ReadSearchAddress(store_), kDefaultSearchAddress);
  EXPECT_EQ(ReadDefaultEncoding(store_), "");
}

TEST_F(InternetSettingsEditedByHand, UsableValuesAreReadTrimmedAndInTheEnginesSpelling) {
  store_.values[Key(kHomePageKey)] = "  http://example.org/home  ";
  store_.values[Key(kSearchAddressKey)] = "https://search.example/?q=%s";
  store_.values[Key(kDefaultEncodingKey)] = "shift_jis";
  EXPECT_EQ(ReadHomePage(store_), "http://example.org/home");
  EXPECT_EQ(ReadSearchAddress(store_), "https://search.example/?q=%s");
  EXPECT_EQ(ReadDefaultEncoding(store_), "Shift_JIS");
}

// --- Checking ----------------------------------------------------------------

struct AddressCase {
  const char* name;
  const char* address;
  AddressProblem problem;
};

const char* ProblemName(AddressProblem problem) {
  switch (problem) {
    case AddressProblem::kNone: return "kNone";
    case AddressProblem::kNotAnAddress: return "kNotAnAddress";
    case AddressProblem::kNoPlaceholder: return "kNoPlaceholder";
    case AddressProblem::kTwoPlaceholders: return "kTwoPlaceholders";
  }
  return "unknown problem";
}

void PrintTo(const AddressCase& c, std::ostream* os) {
  *os << Quoted(c.address) << " -> " << ProblemName(c.problem);
}

class HomePageCheck : public ::testing::TestWithParam<AddressCase> {};

TEST_P(HomePageCheck, AcceptsOnlyWebFileAndBuiltInAddresses) {
  EXPECT_EQ(CheckHomePage(GetParam().address), GetParam().problem) << GetParam().address;
}

INSTANTIATE_TEST_SUITE_P(
    Table, HomePageCheck,
    ::testing::Values(
        AddressCase{"Http", "http://example.org/", AddressProblem::kNone},
        AddressCase{"HttpsUpperCaseScheme", "HTTPS://example.org/a?b=c", AddressProblem::kNone},
        AddressCase{"FileWithSpace", "file:///home/user/my page.html", AddressProblem::kNone},
        AddressCase{"BuiltInStartPage", "tabulon://start/", AddressProblem::kNone},
        AddressCase{"BuiltInSearchPage", "tabulon://search/", AddressProblem::kNone},
        AddressCase{"Empty", "", AddressProblem::kNotAnAddress},
        AddressCase{"NoScheme", "example.org", AddressProblem::kNotAnAddress},
        AddressCase{"SchemeOnly", "http://", AddressProblem::kNotAnAddress},
        AddressCase{"HttpWithoutHost", "http:///path", AddressProblem::kNotAnAddress},
        AddressCase{"SpaceInHost", "http://exa mple.org/", AddressProblem::kNotAnAddress},
        AddressCase{"FileWithoutPath", "file:///", AddressProblem::kNotAnAddress},
        AddressCase{"JavaScript", "javascript:alert(1)", AddressProblem::kNotAnAddress},
        AddressCase{"Ftp", "ftp://example.org/", AddressProblem::kNotAnAddress},
        AddressCase{"UnknownBuiltInPage", "tabulon://other/", AddressProblem::kNotAnAddress},
        AddressCase{"LineBreak", "http://example.org/\nx", AddressProblem::kNotAnAddress}),
    testing_support::RowName());

class SearchAddressCheck : public ::testing::TestWithParam<AddressCase> {};

TEST_P(SearchAddressCheck, NeedsAWebAddressWithExactlyOnePlaceholder) {
  EXPECT_EQ(CheckSearchAddress(GetParam().address), GetParam().problem) << GetParam().address;
}

INSTANTIATE_TEST_SUITE_P(
    Table, SearchAddressCheck,
    ::testing::Values(
        AddressCase{"PlaceholderInQuery", "https://search.example/?q=%s", AddressProblem::kNone},
        AddressCase{"PlaceholderInPath", "http://search.example/find/%s/page",
                    AddressProblem::kNone},
        AddressCase{"PercentEscapesBesideIt", "https://search.example/?q=%s&lang=%E6%97%A5",
                    AddressProblem::kNone},
        AddressCase{"NoPlaceholder", "https://search.example/?q=", AddressProblem::kNoPlaceholder},
        AddressCase{"UpperCasePlaceholder", "https://search.example/?q=%S",
                    AddressProblem::kNoPlaceholder},
        AddressCase{"TwoPlaceholders", "https://search.example/?q=%s&r=%s",
                    AddressProblem::kTwoPlaceholders},
        AddressCase{"NoScheme", "search.example/?q=%s", AddressProblem::kNotAnAddress},
        AddressCase{"File", "file:///tmp/%s", AddressProblem::kNotAnAddress},
        AddressCase{"BuiltInPage", "tabulon://search/%s", AddressProblem::kNotAnAddress},
        AddressCase{"JavaScript", "javascript:alert('%s')", AddressProblem::kNotAnAddress}),
    testing_support::RowName());

struct EncodingCase {
  const char* name;
  const char* entered;
  bool accepted;
  const char* stored;
};

void PrintTo(const EncodingCase& c, std::ostream* os) {
  *os << Quoted(c.entered);
  if (c.accepted) {
    *os << " stored as " << Quoted(c.stored);
  } else {
    *os << " refused";
  }
}

class EncodingCheck : public ::testing::TestWithParam<EncodingCase> {};

TEST_P(EncodingCheck, AcceptsListedNamesInAnyCaseAndStoresTheListsSpelling) {
  std::string canonical = "unchanged";
  EXPECT_EQ(CanonicalEncoding(GetParam().entered, canonical), GetParam().accepted);
  if (GetParam().accepted) {
    EXPECT_EQ(canonical, GetParam().stored);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, EncodingCheck,
    ::testing::Values(EncodingCase{"EmptyLeavesItToTheEngine", "", true, ""},
                      EncodingCase{"Utf8", "UTF-8", true, "UTF-8"},
                      EncodingCase{"LowerCaseEucJp", "euc-jp", true, "EUC-JP"},
                      EncodingCase{"UpperCaseWindows1252", "WINDOWS-1252", true, "windows-1252"},
                      EncodingCase{"Utf8WithoutHyphen", "UTF8", false, ""},
                      EncodingCase{"TrailingSemicolon", "Shift_JIS;", false, ""},
                      EncodingCase{"Unlisted", "ebcdic", false, ""}),
    testing_support::RowName());

// --- Writing -----------------------------------------------------------------

TEST(InternetSettingsSave, AnyUncheckedValueStopsTheWholeSave) {
  FakeSettingsStore store;
  EXPECT_FALSE(SaveInternetSettings(
                   store, {"http://ok.example/", "https://s.example/?q=%s", "no-such-encoding"})
                   .ok());
  EXPECT_FALSE(SaveInternetSettings(store, {"http://ok.example/", "https://s.example/", ""}).ok());
  EXPECT_FALSE(SaveInternetSettings(store, {"ok.example", "https://s.example/?q=%s", ""}).ok());
  EXPECT_EQ(store.writes, 0);
}

// The browser and the options program each have their own store object over
// the same file, as two processes do.
class SharedStoreFile : public ::testing::Test {
 protected:
  TempFolder folder_;
  FileSettingsStore browser_{folder_.path()};
  FileSettingsStore options_{folder_.path()};
  void BrowserSavesPlacement(int left) {
    browser_.SaveSetting("Tabulon", "Settings", "MainLeft", std::to_string(left));
    browser_.SaveSetting("Tabulon", "Settings", "MainWidth", "9000");
  }
};

TEST_F(SharedStoreFile, OptionsSaveKeepsTheBrowsersPlacement) {
  BrowserSavesPlacement(1500);
  ASSERT_TRUE(SaveInternetSettings(
                  options_, {"http://home.example/", "https://s.example/?q=%s#top;x=1", "EUC-JP"})
                  .ok());
  EXPECT_EQ(browser_.GetSetting("Tabulon", "Settings", "MainLeft", ""), "1500");
  EXPECT_EQ(browser_.GetSetting("Tabulon", "Settings", "MainWidth", ""), "9000");
  // Characters a settings file might take for comments or separators come
  // back as they went in.
  EXPECT_EQ(ReadSearchAddress(browser_), "https://s.example/?q=%s#top;x=1");
}

TEST_F(SharedStoreFile, BrowserSaveKeepsTheOptions) {
  ASSERT_TRUE(
      SaveInternetSettings(options_, {"http://home.example/", "https://s.example/?q=%s", "Big5"})
          .ok());
  BrowserSavesPlacement(3000);
  EXPECT_EQ(ReadInternetSettings(options_).home_page, "http://home.example/");
  EXPECT_EQ(ReadInternetSettings(options_).default_encoding, "Big5");
  EXPECT_EQ(options_.GetSetting("Tabulon", "Settings", "MainLeft", ""), "3000");
}

// --- The built-in search page ---------------------------------------------------

std::size_t Occurrences(const std::string& text, const std::string& part) {
  std::size_t n = 0;
  for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

struct HostileAddress {
  const char* name;
  const char* address;
};

void PrintTo(const HostileAddress& c, std::ostream* os) { *os << Quoted(c.address); }

class SearchPageWithHostileAddress : public ::testing::TestWithParam<HostileAddress> {};

TEST_P(SearchPageWithHostileAddress, AddressCannotLeaveItsAttributeOrEndTheScript) {
  const std::string address = GetParam().address;
  const std::string html = SearchPageHtml(address);
  EXPECT_EQ(Occurrences(html, "<script"), 1u);
  EXPECT_EQ(Occurrences(html, "</script"), 1u);
  EXPECT_EQ(html.find(address), std::string::npos);
  EXPECT_NE(html.find("data-address=\"" + HtmlEscape(address) + "\""), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SearchPageWithHostileAddress,
    ::testing::Values(
        HostileAddress{"QuoteThenScriptTag", "https://x/?q=%s\"><script>alert(1)</script>"},
        HostileAddress{"SingleQuoteEventHandler", "https://x/?q=%s'onmouseover='alert(1)"},
        HostileAddress{"ScriptEndTag", "https://x/?q=%s</script><script>alert(1)//"},
        HostileAddress{"EntityAndTag", "https://x/?q=%s&amp;<b>"}),
    testing_support::RowName());

TEST(BuiltInPages, SearchPageShowsTheAddressStoredWhenItIsServed) {
  FakeSettingsStore store;
  AppState state;
  const std::string before = BuiltInPageHtml(kSearchUrl, state, store);
  EXPECT_NE(before.find(HtmlEscape(kDefaultSearchAddress)), std::string::npos);
  store.values[Key(kSearchAddressKey)] = "https://other.example/find?w=%s";
  const std::string after = BuiltInPageHtml(kSearchUrl, state, store);
  EXPECT_NE(after.find("https://other.example/find?w=%s"), std::string::npos);
  EXPECT_EQ(BuiltInPageHtml("tabulon://nothing/", state, store), "");
  EXPECT_NE(BuiltInPageHtml(kHomeUrl, state, store).find("お気に入り"), std::string::npos);
}

}  // namespace
}  // namespace tabulon
