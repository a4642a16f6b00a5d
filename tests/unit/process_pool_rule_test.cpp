#include "browsing/process_pool_rule.h"

#include <gtest/gtest.h>

#include <ostream>
#include <vector>

#include "param_names.h"

namespace tabulon::testing {
namespace {

std::vector<int> AssignMany(ProcessPoolRule& rule, int tabs) {
  std::vector<int> slots;
  for (int i = 0; i < tabs; ++i) slots.push_back(rule.Assign());
  return slots;
}

class PoolFillingUp : public ::testing::Test {
 protected:
  ProcessPoolRule rule_{4};
};

TEST_F(PoolFillingUp, FirstTabGoesToTheFirstProcess) { EXPECT_EQ(rule_.Assign(), 0); }

TEST_F(PoolFillingUp, EachProcessStartsBeforeAnyTakesASecondTab) {
  EXPECT_EQ(AssignMany(rule_, 4), (std::vector<int>{0, 1, 2, 3}));
}

TEST_F(PoolFillingUp, HundredTabsSpreadEvenlyOverTheProcesses) {
  AssignMany(rule_, 100);
  for (int slot = 0; slot < 4; ++slot) EXPECT_EQ(rule_.TabsIn(slot), 25) << slot;
}

class PoolAfterClosing : public ::testing::Test {
 protected:
  void SetUp() override { AssignMany(rule_, 9); }  // 3 + 3 + 3
  ProcessPoolRule rule_{3};
};

TEST_F(PoolAfterClosing, NewTabGoesWhereTabsWereClosed) {
  rule_.Release(1);
  rule_.Release(1);
  EXPECT_EQ(rule_.Assign(), 1);
}

TEST_F(PoolAfterClosing, EmptiedProcessIsStartedAgainFirst) {
  for (int i = 0; i < 3; ++i) rule_.Release(2);
  EXPECT_EQ(rule_.TabsIn(2), 0);
  EXPECT_EQ(rule_.Assign(), 2);
}

TEST_F(PoolAfterClosing, ReleasingMoreThanWereThereNeverGoesBelowNone) {
  for (int i = 0; i < 5; ++i) rule_.Release(0);
  EXPECT_EQ(rule_.TabsIn(0), 0);
  EXPECT_EQ(rule_.Assign(), 0);
  EXPECT_EQ(rule_.Assign(), 0);  // still the emptiest
}

TEST_F(PoolAfterClosing, SlotsOutsideThePoolAreIgnored) {
  rule_.Release(-1);
  rule_.Release(3);
  rule_.Join(7);
  for (int slot = 0; slot < 3; ++slot) EXPECT_EQ(rule_.TabsIn(slot), 3);
}

TEST(PoolWithPopups, PopupJoiningItsOpenerCountsThere) {
  ProcessPoolRule rule(2);
  AssignMany(rule, 2);  // 1 + 1
  rule.Join(0);
  rule.Join(0);
  // Slot 1 is now the emptier one.
  EXPECT_EQ(rule.Assign(), 1);
}

TEST(PoolSize, NeverBelowOneProcess) {
  ProcessPoolRule rule(0);
  EXPECT_EQ(rule.Size(), 1);
  EXPECT_EQ(AssignMany(rule, 3), (std::vector<int>{0, 0, 0}));
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
  EXPECT_EQ(PoolSizeFromText(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, PoolSizeFromEnvironment,
    ::testing::Values(SizeCase{"Unset", nullptr, kDefaultEngineProcesses},
                      SizeCase{"Empty", "", kDefaultEngineProcesses}, SizeCase{"One", "1", 1},
                      SizeCase{"Eight", "8", 8}, SizeCase{"Zero", "0", kDefaultEngineProcesses},
                      SizeCase{"Negative", "-2", kDefaultEngineProcesses},
                      SizeCase{"TrailingLetter", "4x", kDefaultEngineProcesses},
                      SizeCase{"AboveTheLimit", "250", 100},
                      SizeCase{"TooLargeForAnInt", "99999999999", kDefaultEngineProcesses}),
    testing_support::RowName());

}  // namespace
}  // namespace tabulon::testing
