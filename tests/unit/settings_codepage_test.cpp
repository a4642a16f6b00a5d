#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "param_names.h"
#include "settings/codepage.h"

namespace tabulon {
namespace {

using namespace std::string_literals;
using testing_support::Quoted;

// Characters whose Windows bytes differ from plain Shift_JIS or trip up
// byte-wise handling; each must survive the trip both ways.
struct Encoded {
  const char* name;
  std::string utf8;
  std::string cp932;
};

void PrintTo(const Encoded& c, std::ostream* os) {
  *os << Quoted(c.utf8) << " <-> " << Quoted(c.cp932);
}

class Cp932Table : public testing::TestWithParam<Encoded> {};

TEST_P(Cp932Table, MapsBothWaysToTheWindowsBytes) {
  EXPECT_EQ(Utf8ToCp932(GetParam().utf8), GetParam().cp932);
  EXPECT_EQ(Cp932ToUtf8(GetParam().cp932), GetParam().utf8);
}

INSTANTIATE_TEST_SUITE_P(
    Characters, Cp932Table,
    testing::Values(Encoded{"AsciiUnchanged", "[Fav] C:\\dir ~ x=1"s, "[Fav] C:\\dir ~ x=1"s},
                    // ア's trail byte is 'A'.
                    Encoded{"TrailByteIsALetter", "あア"s, "\x82\xA0\x83\x41"s},
                    // Trail byte is a backslash.
                    Encoded{"TrailByteIsABackslash", "表"s, "\x95\x5C"s},
                    // Windows-only rows.
                    Encoded{"WindowsOnlyCharacters", "①髙～"s, "\x87\x40\xFB\xFC\x81\x60"s},
                    // Half-width kana are single bytes.
                    Encoded{"HalfWidthKana", "ｱｲ"s, "\xB1\xB2"s},
                    Encoded{"EmbeddedNul", "a\0あ"s, "a\0\x82\xA0"s}),
    testing_support::RowName());

struct Replacement {
  const char* rule;
  std::string (*convert)(std::string_view);
  std::string input;
  std::string expected;
};

void PrintTo(const Replacement& c, std::ostream* os) {
  *os << c.rule << ": " << Quoted(c.input) << " -> " << Quoted(c.expected);
}

class UnconvertibleText : public testing::TestWithParam<Replacement> {};

TEST_P(UnconvertibleText, IsReplacedNotDropped) {
  EXPECT_EQ(GetParam().convert(GetParam().input), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, UnconvertibleText,
    testing::Values(
        Replacement{"OneQuestionMarkPerCharacter", Utf8ToCp932, "a😀b한", "a?b?"},
        Replacement{"OneQuestionMarkPerMalformedByte", Utf8ToCp932, "é\x82\xA0x\xE3\x81", "???x??"},
        Replacement{"OneReplacementPerBadByte", Cp932ToUtf8,
                    "A\xFF"
                    "B\x85\x40",
                    "A\uFFFDB\uFFFD@"},
        Replacement{"LeadWithoutTrail", Cp932ToUtf8, "\x82 \x82\xA0\x82", "\uFFFD あ\uFFFD"},
        Replacement{"ValidUtf8Kept", SanitizeUtf8, "ok あ😀", "ok あ😀"},
        Replacement{"OverlongAndSurrogateRejected", SanitizeUtf8, "\xC0\xAF\xED\xA0\x80",
                    "\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD"},
        Replacement{"TruncatedSequence", SanitizeUtf8, "a\xE3\x81", "a\uFFFD\uFFFD"}),
    [](const auto& info) { return std::string(info.param.rule); });

struct Cut {
  const char* rule;
  std::size_t (*prefix)(std::string_view, std::size_t);
  std::string bytes;
  std::size_t max_bytes;
  std::size_t expected;
};

void PrintTo(const Cut& c, std::ostream* os) {
  *os << c.rule << ": " << Quoted(c.bytes) << " cut to " << c.max_bytes << " bytes -> "
      << c.expected;
}

class CharacterBoundary : public testing::TestWithParam<Cut> {};

TEST_P(CharacterBoundary, CutNeverSplitsACharacter) {
  EXPECT_EQ(GetParam().prefix(GetParam().bytes, GetParam().max_bytes), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, CharacterBoundary,
    testing::Values(Cut{"SingleBytes", Cp932PrefixLength, std::string(150, 'x'), 99, 99},
                    Cut{"LeadAtCut", Cp932PrefixLength, std::string(98, 'a') + "\x82\xA0", 99, 98},
                    Cut{"PairFits", Cp932PrefixLength, std::string(98, 'a') + "\x82\xA0", 100, 100},
                    // 0x9F is a trail here, though it would be a lead on its own.
                    Cut{"TrailLooksLikeLead", Cp932PrefixLength,
                        "\x82\x9F"
                        "a",
                        2, 2},
                    Cut{"HalfWidthKana", Cp932PrefixLength, "\xB1\xB2\xB3", 2, 2},
                    Cut{"Utf8SequenceAtCut", Utf8PrefixLength, "aあ", 3, 1},
                    Cut{"Utf8SequenceFits", Utf8PrefixLength, "aあb", 4, 4},
                    Cut{"StrayContinuationBytes", Utf8PrefixLength, "\x80\x80\x80\x80", 2, 2}),
    [](const auto& info) { return std::string(info.param.rule); });

}  // namespace
}  // namespace tabulon
