#include "browsing/tab_discard.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "base/keys.h"
#include "browsing/internet_settings.h"
#include "browsing/memory_use.h"
#include "main_window_fixture.h"
#include "settings_temp_folder.h"

namespace tabulon::testing {
namespace {

constexpr std::int64_t kMinute = 60 * 1000;

TEST(TabsToDiscard, IdleTabsGoButNeverTheCurrentItsNeighboursOrTabsThatMustStay) {
  std::vector<IdleTab> tabs;
  for (int p = 1; p <= 7; ++p) tabs.push_back({p, true, 0});
  tabs[4].discardable = false;  // tab 5 plays sound
  const std::int64_t now = 30 * kMinute;
  // Current 1: its neighbours are 2 and, round the end, 7.
  EXPECT_EQ(TabsToDiscard(tabs, 1, 7, now, 30 * kMinute, false), (std::vector<int>{3, 4, 6}));
  EXPECT_TRUE(TabsToDiscard(tabs, 1, 7, now - 1, 30 * kMinute, false).empty());
  EXPECT_TRUE(TabsToDiscard(tabs, 1, 7, now, 0, false).empty());  // 0: never for time alone
}

TEST(TabsToDiscard, OverTheBudgetTheTabOutOfSightLongestGoesFirst) {
  const std::vector<IdleTab> tabs = {{1, true, 0}, {2, true, 5}, {3, true, 9},
                                     {4, true, 2}, {5, true, 7}, {6, true, 1}};
  EXPECT_EQ(TabsToDiscard(tabs, 2, 6, 10, 0, true), (std::vector<int>{6}));  // not 1, beside 2
  EXPECT_TRUE(TabsToDiscard(tabs, 2, 6, 10, 0, false).empty());
}

TEST(TabsToDiscard, TheSettingIsMinutesAndAnythingElseIsTheDefault) {
  FakeSettingsStore store;
  EXPECT_EQ(ReadDiscardMinutes(store), 30);
  for (const auto& [text, minutes] : std::vector<std::pair<std::string, int>>{
           {" 5 ", 5}, {"0", 0}, {"-5", 30}, {"ten", 30}, {"99999999", 30}, {"20000", 30}}) {
    store.values["Tabulon/Internet/DiscardAfterMinutes"] = text;
    EXPECT_EQ(ReadDiscardMinutes(store), minutes) << text;
  }
}

TEST(MemoryUse, AProcessCountsWithEveryProcessUnderIt) {
  testing_support::TempFolder proc;
  // pid: parent, command name (which may hold ") "), PSS in kB.
  const struct {
    int pid, parent;
    const char* name;
    int pss;
  } processes[] = {{10, 1, "tabulon", 100},
                   {11, 10, "Web) S 1 (x", 20},
                   {12, 11, "bwrap", 3},
                   {13, 1, "other", 5000}};
  for (const auto& p : processes) {
    const std::string folder = proc / std::to_string(p.pid);
    std::filesystem::create_directories(folder);
    testing_support::WriteRaw(folder + "/stat", std::to_string(p.pid) + " (" + p.name + ") S " +
                                                    std::to_string(p.parent) + " 1 1 0\n");
    testing_support::WriteRaw(folder + "/smaps_rollup",
                              "Rss:  999 kB\nPss:  " + std::to_string(p.pss) + " kB\n");
  }
  testing_support::WriteRaw(proc / "meminfo", "MemTotal:       16000000 kB\nMemFree: 1 kB\n");
  EXPECT_EQ(ProcessTreePssKb(10, proc.path()), 123);
  EXPECT_EQ(MachineMemoryKb(proc.path()), 16000000);
  EXPECT_EQ(ProcessTreePssKb(10, proc / "none"), 0);
}

// The window discards by the setting, shows it on the label, and a tab
// shown again wakes.
TEST_F(MainWindowTest, TabsLeftAloneAreDiscardedAndLookAsleepUntilShown) {
  Start();
  std::int64_t now = 0;
  main().StartTabGovernor({[&now] { return now; }, [] { return false; }});
  OpenTabsUntil(5);
  for (int p = 1; p <= 5; ++p) BrowserAt(p).discardable = true;
  store.values["Tabulon/Internet/DiscardAfterMinutes"] = "10";
  main().GovernTabs();  // tabs first seen in the background count from now
  now = 10 * kMinute;
  main().GovernTabs();
  // Current 1; 2 and 5 are its neighbours.
  const auto discarded = [&](int p) {
    return std::count(BrowserAt(p).calls.begin(), BrowserAt(p).calls.end(), "Discard");
  };
  EXPECT_EQ(discarded(3) + discarded(4), 2);
  EXPECT_EQ(discarded(1) + discarded(2) + discarded(5), 0);
  EXPECT_EQ(main().lblTab(3).ForeColor(), kSleepingTabText);
  EXPECT_EQ(main().lblTab(2).ForeColor(), 0u);
  SwitchTo(3);
  EXPECT_EQ(main().lblTab(3).ForeColor(), 0u);
  // The tab just left counts from now.
  BrowserAt(1).discardable = true;
  now += 9 * kMinute;
  main().GovernTabs();
  EXPECT_EQ(discarded(1), 0);
  // The check runs again every minute.
  ASSERT_FALSE(toolkit.later.empty());
}

}  // namespace
}  // namespace tabulon::testing
