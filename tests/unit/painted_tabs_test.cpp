#include <gtest/gtest.h>

#include <algorithm>

#include "base/keys.h"
#include "browsing/painted_tabs_rule.h"
#include "main_window_fixture.h"

namespace tabulon {
namespace {

using Tabs = std::vector<int>;

TEST(NeighbourTabs, AreTheTabsTheSwitchKeysGoTo) {
  EXPECT_EQ(NeighbourTabs(5, 10), (Tabs{6, 4}));
  // The strip wraps around at both ends, as Ctrl+Tab and Ctrl+Shift+Tab do.
  EXPECT_EQ(NeighbourTabs(10, 10), (Tabs{1, 9}));
  EXPECT_EQ(NeighbourTabs(1, 100), (Tabs{2, 100}));
  // With two tabs both keys go to the same one, kept once.
  EXPECT_EQ(NeighbourTabs(1, 2), (Tabs{2}));
  EXPECT_EQ(NeighbourTabs(2, 2), (Tabs{1}));
  EXPECT_EQ(NeighbourTabs(2, 3), (Tabs{3, 1}));
}

TEST(NeighbourTabs, NoneWithoutACurrentTabOrAnotherTab) {
  EXPECT_TRUE(NeighbourTabs(1, 1).empty());
  EXPECT_TRUE(NeighbourTabs(0, 0).empty());
  EXPECT_TRUE(NeighbourTabs(0, 5).empty());
  EXPECT_TRUE(NeighbourTabs(6, 5).empty());
  EXPECT_TRUE(NeighbourTabs(-1, 5).empty());
}

// The neighbours are where the window's switch keys really lead, from every
// tab of strips of several sizes.
class NeighbourTabsOnTheWindow : public testing::MainWindowTest {};

TEST_F(NeighbourTabsOnTheWindow, AreWhereTheSwitchKeysLead) {
  Start();
  for (int count = state.TabCount > 1 ? state.TabCount : 2; count <= 6; ++count) {
    OpenTabsUntil(count);
    for (int current = 1; current <= count; ++current) {
      std::vector<int> reached;
      for (int mask : {kCtrl, kCtrl | kShift}) {
        SwitchTo(current);
        main().KeyPreview(kVkTab, mask);
        if (state.CurTab != current) reached.push_back(state.CurTab);
      }
      std::sort(reached.begin(), reached.end());
      reached.erase(std::unique(reached.begin(), reached.end()), reached.end());
      std::vector<int> expected = NeighbourTabs(current, count);
      std::sort(expected.begin(), expected.end());
      EXPECT_EQ(reached, expected) << "tab " << current << " of " << count;
    }
  }
}

}  // namespace
}  // namespace tabulon
