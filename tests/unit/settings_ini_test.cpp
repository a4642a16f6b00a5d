#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "settings/ini_document.h"

namespace tabulon {
namespace {

using namespace std::string_literals;

// A favourites file as users and the Windows build leave them: comments,
// duplicates, stray spaces, keys outside any section.
const std::string kFavourites =
    "; Tabulon favourites\r\n"
    "Count=outside any section\r\n"
    "[Favourites]\r\n"
    "Count=2\r\n"
    "  Title1 \t=  \"Quoted\"  value \t\r\n"
    "# Url1=commented out\r\n"
    "  ;Url2=commented out\r\n"
    "Empty=\r\n"
    "Url1=http://a.example/?q=1\r\n"
    "URL1=second copy\r\n"
    "\r\n"
    "[ Other\t]\r\n"
    "Url1=other section\r\n"
    "[favourites]\r\n"
    "Late=in a duplicate section\r\n";

struct Lookup {
  const char* rule;
  std::string file;
  std::string section;
  std::string key;
  std::optional<std::string> expected;
};

class IniLookup : public testing::TestWithParam<Lookup> {};

TEST_P(IniLookup, FollowsTheWindowsRules) {
  const IniDocument document(GetParam().file);
  EXPECT_EQ(document.Find(GetParam().section, GetParam().key), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, IniLookup,
    testing::Values(
        Lookup{"NamesIgnoreCase", kFavourites, "FAVOURITES", "count", "2"},
        Lookup{"NamesAreTrimmed", kFavourites, " Other ", "\tUrl1 ", "other section"},
        Lookup{"ValueTrimmedQuotesKept", kFavourites, "Favourites", "Title1", "\"Quoted\"  value"},
        Lookup{"KeyFoundPastComments", kFavourites, "Favourites", "Url1", "http://a.example/?q=1"},
        Lookup{"CommentsNeverMatch", kFavourites, "Favourites", "Url2", std::nullopt},
        Lookup{"EmptyValueIsFound", kFavourites, "Favourites", "Empty", ""},
        Lookup{"FirstSectionWins", kFavourites, "Favourites", "Late", std::nullopt},
        Lookup{"KeyOfOtherSectionNotFound", kFavourites, "Other", "Count", std::nullopt},
        Lookup{"MissingSection", kFavourites, "Window", "Count", std::nullopt},
        Lookup{"LinesWithoutEqualsAreNotKeys", "[S]\nflag\n", "S", "flag", std::nullopt},
        Lookup{"BomIsNotPartOfHeader", "\xEF\xBB\xBF[Main]\nk=v\n", "main", "K", "v"},
        Lookup{"BracketTrailByte", "[\x83\x5D]\r\nk=1\r\n", "\x83\x5D", "k", "1"},
        Lookup{"TrailBytesNotCaseFolded", "[\x83\x41]\r\nk=1\r\n", "\x83\x61", "k", std::nullopt},
        Lookup{"NulBytesAreText", "[S]\n\0k=0\nk=a\0b\n"s, "S", "k", "a\0b"s}),
    [](const auto& info) { return std::string(info.param.rule); });

struct Edit {
  const char* rule;
  std::string before;
  std::string section;
  std::string key;
  std::string value;
  std::string after;
};

// Each case compares the whole file, so any byte changed outside the edited
// line fails it.
class IniEdit : public testing::TestWithParam<Edit> {};

TEST_P(IniEdit, ChangesOnlyTheLineItMust) {
  IniDocument document(GetParam().before);
  document.Set(GetParam().section, GetParam().key, GetParam().value);
  EXPECT_EQ(document.Bytes(), GetParam().after);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, IniEdit,
    testing::Values(
        Edit{"ReplacesInPlaceKeepingKeySpelling",
             "; c\r\n[S]\r\na=1\r\n  Key = old  \r\n\r\n# x\r\n[T]\r\nKey=t\r\n", "s", "KEY", "new",
             "; c\r\n[S]\r\na=1\r\nKey=new\r\n\r\n# x\r\n[T]\r\nKey=t\r\n"},
        Edit{"ReplacedLineKeepsItsLineEnding", "[S]\r\na=1\nb=2\r\n", "S", "a", "9",
             "[S]\r\na=9\nb=2\r\n"},
        Edit{"AddsAfterLastKeyOfSection", "[S]\na=1\n\n; tail\n[T]\nb=2\n", "S", "New", "v",
             "[S]\na=1\nNew=v\n\n; tail\n[T]\nb=2\n"},
        Edit{"AddsAfterHeaderOfEmptySection", "[S]\n; note\n[T]\n", "S", "k", "v",
             "[S]\nk=v\n; note\n[T]\n"},
        Edit{"AppendsSectionCrlf", "[S]\r\na=1\r\n", "New", "k", "v",
             "[S]\r\na=1\r\n[New]\r\nk=v\r\n"},
        Edit{"AppendsSectionAfterMissingBreak", "[S]\na=1", "New", "k", "v",
             "[S]\na=1\n[New]\nk=v\n"},
        Edit{"AddsKeyKeepingMissingBreak", "[S]\na=1", "S", "b", "2", "[S]\na=1\nb=2"},
        Edit{"ReplacesKeyKeepingMissingBreak", "[S]\r\na=1", "S", "a", "2", "[S]\r\na=2"},
        Edit{"BreaklessFileGetsCrlf", "; only", "S", "k", "v", "; only\r\n[S]\r\nk=v\r\n"},
        Edit{"EmptyValueKeepsKey", "[S]\na=1\n", "S", "A", "", "[S]\na=\n"},
        Edit{"FirstDuplicateKeyReplaced", "[S]\nk=1\nK=2\n", "S", "k", "3", "[S]\nk=3\nK=2\n"},
        Edit{"FirstDuplicateSectionUsed", "[S]\na=1\n[s]\nb=2\n", "S", "b", "3",
             "[S]\na=1\nb=3\n[s]\nb=2\n"},
        Edit{"KeysOutsideSectionsUntouched", "k=0\n[S]\n", "S", "k", "1", "k=0\n[S]\nk=1\n"},
        Edit{"OddBytesSurvive", "[S]\na=1\n\0\xFF\x01 junk\r\r\n[T]\n"s, "T", "k", "v",
             "[S]\na=1\n\0\xFF\x01 junk\r\r\n[T]\nk=v\n"s},
        Edit{"BomKept", "\xEF\xBB\xBF[S]\nk=1\n", "S", "k", "2", "\xEF\xBB\xBF[S]\nk=2\n"},
        Edit{"BomOnlyFile", "\xEF\xBB\xBF", "S", "k", "v", "\xEF\xBB\xBF[S]\r\nk=v\r\n"},
        Edit{"LineBreakInValueStaysOnOneLine", "[S]\n", "S", "k", "a\r\nb=c", "[S]\nk=a  b=c\n"},
        Edit{"TrailBytesNotCaseFolded", "[\x83\x41]\r\nk=1\r\n", "\x83\x61", "k", "2",
             "[\x83\x41]\r\nk=1\r\n[\x83\x61]\r\nk=2\r\n"},
        Edit{"BlankKeyIgnored", "[S]\n", "S", " \t", "v", "[S]\n"}),
    [](const auto& info) { return std::string(info.param.rule); });

}  // namespace
}  // namespace tabulon

namespace tabulon {
namespace {

// A file whose last line ends in a carriage return without its line feed: the
// return ends the line, so adding a key after it leaves the old value alone.
TEST(LoneCarriageReturnAtTheEnd, EndsTheLastLineAndAddedKeysLeaveItsValueAlone) {
  for (const char* file : {"[TITLE]\r\nTITLE1=abc\r", "[TITLE]\nTITLE1=abc\r"}) {
    IniDocument document(file);
    EXPECT_EQ(document.Find("TITLE", "TITLE1"), "abc");
    document.Set("TITLE", "TITLE2", "x");
    document.Set("URL", "URL1", "y");
    IniDocument reread(document.Bytes());
    EXPECT_EQ(reread.Find("TITLE", "TITLE1"), "abc") << file;
    EXPECT_EQ(reread.Find("TITLE", "TITLE2"), "x") << file;
    EXPECT_EQ(reread.Find("URL", "URL1"), "y") << file;
  }
}

}  // namespace
}  // namespace tabulon
