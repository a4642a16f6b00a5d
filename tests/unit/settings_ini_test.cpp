#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <optional>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "param_names.h"
#include "settings/ini_document.h"

namespace tabulon {
namespace {

using namespace std::string_literals;
using testing_support::Quoted;

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

void PrintTo(const Lookup& c, std::ostream* os) {
  *os << c.rule << ": [" << Quoted(c.section) << "] " << Quoted(c.key) << " -> "
      << (c.expected ? Quoted(*c.expected) : "not found") << " in " << Quoted(c.file);
}

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

void PrintTo(const Edit& c, std::ostream* os) {
  *os << c.rule << ": [" << Quoted(c.section) << "] " << Quoted(c.key) << " = " << Quoted(c.value)
      << " turns " << Quoted(c.before) << " into " << Quoted(c.after);
}

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

namespace tabulon {
namespace {

// Thousands of random write sequences against a model of what every key
// holds; after each write every key reads back as modelled and the file
// differs from before only inside the one line written.
TEST(WriterAgainstAModel, ThousandsOfSequencesReadBackAndTouchOnlyTheirLine) {
  const std::vector<std::string> sections = {"URL", "TITLE", "Window", "\x82\xa8\x8b\x43"};
  const std::vector<std::string> keys = {"URL1", "TITLE20", "Left", "k"};
  const std::vector<std::string> values = {
      "", "http://a/?q=1&r=2", "\x93\xfa\x96\x7b", "a = b", "  padded  ", "x\\y", "7"};
  std::mt19937 random(20261208);
  // Letter case varies in ASCII names only: in a double-byte name a letter
  // can be the second byte of a character, which case does not touch.
  auto vary_case = [&](std::string name) {
    for (char c : name) {
      if (static_cast<unsigned char>(c) >= 0x80) return name;
    }
    for (char& c : name) {
      if (std::isalpha(static_cast<unsigned char>(c)) && random() % 2) c ^= 0x20;
    }
    return name;
  };
  auto trimmed = [](const std::string& v) {
    const auto first = v.find_first_not_of(" \t");
    return first == std::string::npos ? std::string()
                                      : v.substr(first, v.find_last_not_of(" \t") - first + 1);
  };
  for (int run = 0; run < 3000; ++run) {
    const std::string eol = run % 3 == 0 ? "\n" : "\r\n";
    std::string file = "; comment" + eol + "[Window]" + eol + "Left=1" + eol + eol;
    if (run % 5 == 0) file += "[Other]" + eol + "odd line without equals";  // no final break
    IniDocument document(file);
    std::map<std::pair<std::size_t, std::size_t>, std::string> model{{{2, 2}, "1"}};
    for (int step = 0, steps = 1 + static_cast<int>(random() % 10); step < steps; ++step) {
      const std::size_t s = random() % sections.size(), k = random() % keys.size();
      const std::string& value = values[random() % values.size()];
      const std::string before = document.Bytes();
      document.Set(vary_case(sections[s]), vary_case(keys[k]), value);
      model[{s, k}] = trimmed(value);
      const std::string& after = document.Bytes();
      std::size_t prefix = 0;
      while (prefix < before.size() && prefix < after.size() && before[prefix] == after[prefix]) {
        ++prefix;
      }
      std::size_t suffix = 0;
      while (suffix < before.size() - prefix && suffix < after.size() - prefix &&
             before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix]) {
        ++suffix;
      }
      ASSERT_EQ(before.substr(prefix, before.size() - prefix - suffix).find('\n'),
                std::string::npos)
          << "run " << run << " step " << step;
      const IniDocument reread(after);
      for (std::size_t cs = 0; cs < sections.size(); ++cs) {
        for (std::size_t ck = 0; ck < keys.size(); ++ck) {
          const auto expected = model.find({cs, ck});
          const std::optional<std::string> found = reread.Find(vary_case(sections[cs]), keys[ck]);
          if (expected == model.end()) {
            ASSERT_FALSE(found.has_value()) << "run " << run << " [" << cs << "] " << ck;
          } else {
            ASSERT_EQ(found, expected->second) << "run " << run << " [" << cs << "] " << ck;
          }
        }
      }
    }
  }
}

}  // namespace
}  // namespace tabulon
