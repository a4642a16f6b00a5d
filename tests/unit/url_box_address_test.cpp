#include <gtest/gtest.h>

#include <ostream>

#include "browsing/address.h"
#include "param_names.h"

namespace tabulon::testing {
namespace {

struct TypedCase {
  const char* name;
  const char* typed;
  const char* loads;
};

void PrintTo(const TypedCase& c, std::ostream* os) {
  *os << testing_support::Quoted(c.typed) << " -> " << c.loads;
}

constexpr const char* kSearch = "http://s.test/find?q=%s&lang=ja";

// What the engine is given once Enter in the URL box has decided: words are
// searched for, addresses load as they always have.
class TypedInTheUrlBox : public ::testing::TestWithParam<TypedCase> {};

TEST_P(TypedInTheUrlBox, LoadsTheAddressOrSearchesForTheWords) {
  EXPECT_EQ(NormalizeAddress(UrlBoxAddress(GetParam().typed, kSearch)), GetParam().loads);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, TypedInTheUrlBox,
    ::testing::Values(
        TypedCase{"JapaneseWord", "東京", "http://s.test/find?q=%E6%9D%B1%E4%BA%AC&lang=ja"},
        TypedCase{"RomajiWord", "toukyou", "http://s.test/find?q=toukyou&lang=ja"},
        TypedCase{"TwoWords", "tenki yohou", "http://s.test/find?q=tenki%20yohou&lang=ja"},
        TypedCase{"IdeographicSpace", "東京　大阪",
                  "http://s.test/find?q=%E6%9D%B1%E4%BA%AC%20%E5%A4%A7%E9%98%AA&lang=ja"},
        TypedCase{"FullWidthWordTrimmed", "　ＰＣ　", "http://s.test/find?q=PC&lang=ja"},
        TypedCase{"SignsAreEncoded", "c++ & c#?",
                  "http://s.test/find?q=c%2B%2B%20%26%20c%23%3F&lang=ja"},
        TypedCase{"BareIntranetWord", "intranet", "http://s.test/find?q=intranet&lang=ja"},
        TypedCase{"WordAndNonPort", "weather:tokyo",
                  "http://s.test/find?q=weather%3Atokyo&lang=ja"},
        TypedCase{"IntranetPath", "intranet/", "http://intranet/"},
        TypedCase{"IntranetPort", "intranet:8080", "http://intranet:8080"},
        TypedCase{"LocalhostPort", "localhost:8080", "http://localhost:8080"},
        TypedCase{"Localhost", "LocalHost", "http://LocalHost"},
        TypedCase{"Ipv4", "192.168.0.1", "http://192.168.0.1"},
        TypedCase{"Ipv6", "[::1]:8080", "http://[::1]:8080"},
        TypedCase{"Domain", " example.com ", "http://example.com"},
        TypedCase{"FullWidthDomain", "ｅｘａｍｐｌｅ．ｃｏｍ", "http://example.com"},
        TypedCase{"FullWidthHttp", "ｈｔｔｐ：／／１２７．０．０．１：８３４１／ｆｏｒｍ．ｈｔｍｌ",
                  "http://127.0.0.1:8341/form.html"},
        TypedCase{"HttpWithBlanks", "https://a.example/x y", "https://a.example/x y"},
        TypedCase{"FileAddress", "file:///home/u/My Page.html", "file:///home/u/My Page.html"},
        TypedCase{"AbsolutePath", "/etc/hostname", "file:///etc/hostname"},
        TypedCase{"AbsolutePathWithBlank", "/tmp/a b.html", "file:///tmp/a b.html"},
        TypedCase{"AboutBlank", "about:blank", "about:blank"},
        TypedCase{"OwnPage", "tabulon://start/", "tabulon://start/"},
        TypedCase{"Mailto", "mailto:a@b.example", "mailto:a@b.example"},
        TypedCase{"ScriptStaysAScript", "javascript:alert(1)", "about:blank"},
        TypedCase{"Nothing", "　", "about:blank"}),
    testing_support::RowName{});

}  // namespace
}  // namespace tabulon::testing
