#include "browsing/process_pool_rule.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "browsing/site.h"
#include "param_names.h"

namespace tabulon::testing {
namespace {

struct SiteCase {
  const char* name;
  const char* address;
  const char* site;
};

void PrintTo(const SiteCase& c, std::ostream* os) { *os << c.address << " -> " << c.site; }

class SiteOfAddress : public ::testing::TestWithParam<SiteCase> {};

TEST_P(SiteOfAddress, IsSchemeAndRegistrableDomain) {
  EXPECT_EQ(SiteOf(GetParam().address), GetParam().site);
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, SiteOfAddress,
    ::testing::Values(
        SiteCase{"Subdomain", "https://docs.example.com/a?b#c", "https://example.com"},
        SiteCase{"CaseAndPortAndUser", "HTTP://u:p@WWW.Example.COM:8080/", "http://example.com"},
        SiteCase{"TwoLabelSuffix", "https://www.bbc.co.uk/news", "https://bbc.co.uk"},
        SiteCase{"PrivateSuffix", "https://alice.github.io/x", "https://alice.github.io"},
        SiteCase{"OtherUserOfPrivateSuffix", "https://bob.github.io/", "https://bob.github.io"},
        SiteCase{"SchemeCounts", "http://example.com/", "http://example.com"},
        SiteCase{"Ipv4IsItsOwnSite", "http://127.0.0.2:8000/loop", "http://127.0.0.2"},
        SiteCase{"Ipv6", "http://[::1]:8000/", "http://[::1]"},
        SiteCase{"Localhost", "http://localhost:631/", "http://localhost"},
        SiteCase{"TrailingDot", "https://www.example.com./", "https://example.com"},
        SiteCase{"BareSuffix", "https://co.uk/", "https://co.uk"},
        SiteCase{"LocalFiles", "file:///home/u/a.html", "file://"},
        SiteCase{"OwnPages", "tabulon://start", ""}, SiteCase{"Blank", "about:blank", ""},
        SiteCase{"Data", "data:text/html,x", ""}, SiteCase{"NoScheme", "example.com", ""},
        SiteCase{"NoHost", "http:///path", ""}, SiteCase{"Empty", "", ""},
        SiteCase{"UnclosedIpv6", "http://[::1/", ""}),
    testing_support::RowName());

std::vector<int> AssignMany(ProcessPoolRule& rule, const std::vector<std::string>& sites) {
  std::vector<int> slots;
  for (const auto& site : sites) slots.push_back(rule.Assign(site));
  return slots;
}

const std::string kA = "http://a.test", kB = "http://b.test", kC = "http://c.test";

TEST(PoolBySite, OneSiteSharesAProcessAndNewSitesGetTheirOwn) {
  ProcessPoolRule rule(4);
  EXPECT_EQ(AssignMany(rule, {kA, kA, kB, kA, kC, kB}), (std::vector<int>{0, 0, 1, 0, 2, 1}));
}

TEST(PoolBySite, PastTheCapANewSiteJoinsTheLeastLoadedAndKeepsToIt) {
  ProcessPoolRule rule(2);
  AssignMany(rule, {kA, kA, kB});  // 2 + 1
  EXPECT_EQ(rule.Assign(kC), 1);
  EXPECT_EQ(rule.Assign(kC), 1);
  EXPECT_EQ(rule.Assign(kB), 1);
}

TEST(PoolBySite, TabsOfNoSiteJoinARunningProcess) {
  ProcessPoolRule empty(4);
  EXPECT_EQ(empty.Assign(""), 0);  // nothing runs yet
  ProcessPoolRule rule(4);
  AssignMany(rule, {kA, kA, kB});
  EXPECT_EQ(rule.Assign(""), 1);  // the running process with fewest tabs
  EXPECT_EQ(rule.TabsIn(2), 0);
}

TEST(PoolBySite, LastTabClosedFreesTheSlotAndForgetsItsSites) {
  ProcessPoolRule rule(2);
  AssignMany(rule, {kA, kB, kB});
  EXPECT_FALSE(rule.Release(1));
  EXPECT_TRUE(rule.Release(1));
  EXPECT_FALSE(rule.Release(1));  // more releases than tabs change nothing
  EXPECT_EQ(rule.TabsIn(1), 0);
  EXPECT_EQ(rule.Assign(kC), 1);  // the freed slot, not a second site in slot 0
  EXPECT_EQ(rule.Assign(kB), 0);  // b's process ended: b is a new site again
}

TEST(PoolBySite, PopupJoinsItsOpenerWithoutClaimingItsSite) {
  ProcessPoolRule rule(3);
  AssignMany(rule, {kA, kB});
  rule.Join(0);
  EXPECT_EQ(rule.TabsIn(0), 2);
  EXPECT_EQ(rule.Assign(kC), 2);
  rule.Join(7);
  rule.Join(-1);
  EXPECT_FALSE(rule.Release(-1));
}

TEST(PoolBySite, AskingForAnotherSiteMovesToItsProcessOrAFreeOneElseStays) {
  ProcessPoolRule rule(3);
  AssignMany(rule, {kA, kA, kB});
  EXPECT_FALSE(rule.Moves(0, kA));  // its own site
  EXPECT_FALSE(rule.Moves(0, ""));
  EXPECT_TRUE(rule.Moves(0, kB));   // b has a process
  EXPECT_TRUE(rule.Moves(0, kC));   // a free one
  EXPECT_FALSE(rule.Moves(1, kC));  // alone in b's: it keeps it, for c only
  EXPECT_EQ(rule.Assign(kC), 1);
  EXPECT_EQ(rule.Assign(kB), 2);
  const std::string d = "http://d.test";
  EXPECT_FALSE(rule.Moves(0, d));  // the pool is full: stays, and serves d
  EXPECT_EQ(rule.Assign(d), 0);
  EXPECT_FALSE(rule.Moves(7, kB));
}

TEST(PoolBySite, AHeldProcessTakesNoTabWhileAnotherCanAndItsTabsLeaveIt) {
  ProcessPoolRule rule(2);
  AssignMany(rule, {kA, kB});
  rule.Hold(0, true);
  EXPECT_EQ(rule.Assign(""), 1);
  EXPECT_EQ(rule.Assign(kA), 1);    // its site is served by the other meanwhile
  EXPECT_FALSE(rule.Moves(1, kA));  // and stays there
  EXPECT_TRUE(rule.Moves(0, kC));   // alone in the held one: it starts anew
  EXPECT_TRUE(rule.Release(0));
  EXPECT_EQ(rule.Assign(kC), 0);  // a released slot is held no more
  rule.Hold(0, true);
  rule.Hold(1, true);
  EXPECT_EQ(rule.Assign(kB), 0);  // all held: the fewest tabs, as ever
}

TEST(PoolBySite, NeverBelowOneProcess) {
  ProcessPoolRule rule(0);
  EXPECT_EQ(rule.Size(), 1);
  EXPECT_EQ(AssignMany(rule, {kA, kB, ""}), (std::vector<int>{0, 0, 0}));
}

TEST(PoolSize, DefaultFollowsCoresAndMemory) {
  EXPECT_EQ(DefaultPoolSize(2, 8000), 4);
  EXPECT_EQ(DefaultPoolSize(16, 64000), 8);  // the most by default
  EXPECT_EQ(DefaultPoolSize(8, 1500), 2);    // little memory
  EXPECT_EQ(DefaultPoolSize(0, 0), 1);       // unknown
}

struct SizeCase {
  const char* name;
  const char* text;  // nullptr when the variable is not set
  int expected;
};

void PrintTo(const SizeCase& c, std::ostream* os) {
  *os << testing_support::Quoted(c.text) << " -> " << c.expected;
}

class PoolSizeFromEnvironment : public ::testing::TestWithParam<SizeCase> {};

TEST_P(PoolSizeFromEnvironment, UnusableTextKeepsTheDefault) {
  EXPECT_EQ(PoolSizeFromText(GetParam().text, 5), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Texts, PoolSizeFromEnvironment,
                         ::testing::Values(SizeCase{"Unset", nullptr, 5}, SizeCase{"Empty", "", 5},
                                           SizeCase{"One", "1", 1}, SizeCase{"Eight", "8", 8},
                                           SizeCase{"Zero", "0", 5}, SizeCase{"Negative", "-2", 5},
                                           SizeCase{"TrailingLetter", "4x", 5},
                                           SizeCase{"AboveTheLimit", "250", 100},
                                           SizeCase{"TooLargeForAnInt", "99999999999", 5}),
                         testing_support::RowName());

}  // namespace
}  // namespace tabulon::testing
