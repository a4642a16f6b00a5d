#include <ostream>
#include <string>

#include "base/keys.h"
#include "main_window_fixture.h"
#include "param_names.h"

namespace tabulon::testing {
namespace {

class TabStrip : public MainWindowTest {
 protected:
  void SetUp() override { Start(); }
};

TEST_F(TabStrip, OneTabIsHalfWideAndTwoAreAThirdEach) {
  EXPECT_EQ(main().lblTab(1).Width(), 3250);
  main().NewTab();
  EXPECT_EQ(main().lblTab(1).Left(), 0);
  EXPECT_EQ(main().lblTab(1).Width(), 2166);
  EXPECT_EQ(main().lblTab(2).Left(), 2166);
  EXPECT_EQ(main().lblTab(2).Width(), 2166);
}

TEST_F(TabStrip, GapAfterClosingStaysUntilTheNextLayout) {
  OpenTabsUntil(3);
  main().CloseTab();  // tab 1
  EXPECT_EQ(main().lblTab(2).Left(), 1625);
  EXPECT_EQ(main().lblTab(2).Width(), 1625);
  toolkit.UserResizes(6500, 6000);
  EXPECT_EQ(main().lblTab(2).Width(), 2166);
}

TEST_F(TabStrip, SwitchingSwapsPagesAndSetsBoxAndCaptionFirst) {
  OpenTabsUntil(2);
  toolkit.Browser(2).Navigate2("http://two/");
  toolkit.Browser(2).title = "二";
  SwitchTo(2);
  EXPECT_EQ(state.CurTab, 2);
  EXPECT_EQ(main().cmbURL().Text(), "http://two/");
  EXPECT_EQ(main().Window().Caption(), "二 - Tabulon - ");
  EXPECT_TRUE(main().brwPage(2).Visible());
  EXPECT_FALSE(main().brwPage(1).Visible());
  EXPECT_TRUE(IsCurrentLook(2));
  EXPECT_FALSE(IsCurrentLook(1));
  EXPECT_EQ(main().brwPage(2).Top(), 570);
}

TEST_F(TabStrip, TitlelessPageGivesTheBareCaption) {
  OpenTabsUntil(2);
  SwitchTo(2);
  EXPECT_EQ(main().Window().Caption(), " - Tabulon - ");
}

TEST_F(TabStrip, ClickOnTheCurrentLabelRefreshesNothing) {
  main().cmbURL().SetText("typed");
  main().Window().SetCaption("kept");
  SwitchTo(1);
  EXPECT_EQ(main().cmbURL().Text(), "typed");
  EXPECT_EQ(main().Window().Caption(), "kept");
}

TEST_F(TabStrip, SwitchPlacesThePageBelowBothBarsWhicheverIsOnTop) {
  OpenTabsUntil(2);
  main().m_view_tab_Click();
  main().m_view_tab_Click();  // URL bar now above the tab strip
  SwitchTo(2);
  EXPECT_EQ(main().brwPage(2).Top(), 570);
}

struct MoveCase {
  const char* item;
  int from, to;
};

void PrintTo(const MoveCase& c, std::ostream* os) {
  *os << testing_support::Quoted(c.item) << " from tab " << c.from << " to tab " << c.to;
}

class TabMenuMoves : public TabStrip, public ::testing::WithParamInterface<MoveCase> {};
TEST_P(TabMenuMoves, SwitchesWithWrapping) {
  OpenTabsUntil(4);
  SwitchTo(GetParam().from);
  main().Menu(GetParam().item).Click();
  EXPECT_EQ(state.CurTab, GetParam().to);
}
INSTANTIATE_TEST_SUITE_P(Cases, TabMenuMoves,
                         ::testing::Values(MoveCase{"m_tab1", 1, 4}, MoveCase{"m_tab1", 3, 2},
                                           MoveCase{"m_tab2", 4, 1}, MoveCase{"m_tab2", 2, 3},
                                           MoveCase{"m_tab3", 1, 1}, MoveCase{"m_tab3", 3, 1},
                                           MoveCase{"m_tab4", 2, 4}),
                         [](const auto& info) {
                           // Menu items are named like identifiers already.
                           return std::string(info.param.item) + "_From" +
                                  std::to_string(info.param.from) + "To" +
                                  std::to_string(info.param.to);
                         });

TEST_F(TabStrip, MenuShortcutsReachTheTabMenu) {
  OpenTabsUntil(3);
  EXPECT_TRUE(main().KeyPreview(kVkF2, 0));
  EXPECT_EQ(state.CurTab, 3);
  EXPECT_TRUE(main().KeyPreview(kVkF3, 0));
  EXPECT_EQ(state.CurTab, 1);
  EXPECT_TRUE(main().KeyPreview(kVkF3, kCtrl));
  EXPECT_EQ(state.CurTab, 3);
  EXPECT_TRUE(main().KeyPreview(kVkF2, kCtrl));
  EXPECT_EQ(state.CurTab, 1);
}

TEST_F(TabStrip, WithNoTabTheSwitchingItemsAndCopyDoNothing) {
  main().AllCloseTab();
  for (const char* item : {"m_tab1", "m_tab2", "m_tab3", "m_tab4", "m_tab_copy", "m_tab5"}) {
    main().Menu(item).Click();
  }
  EXPECT_EQ(state.TabCount, 0);
  EXPECT_EQ(state.CurTab, 0);
}

TEST_F(TabStrip, RightClickShowsThePopupWithoutSwitchingAndItsCloseActsOnTheCurrentTab) {
  OpenTabsUntil(3);
  main().lblTab_MouseDown(3, 2, 0, 0, 0);
  main().lblTab_MouseDown(3, 1, 0, 0, 0);
  EXPECT_EQ(toolkit.popups_shown, 1);
  EXPECT_EQ(state.CurTab, 1);
  main().Menu("pop_close").Click();
  EXPECT_EQ(state.TabCount, 2);
  EXPECT_EQ(main().lblTab(1).Tag(), "2");
  main().Menu("pop_cansel").Click();
  EXPECT_EQ(state.TabCount, 2);
}

TEST_F(TabStrip, CopyAndClipboardItemsOpenBackgroundTabs) {
  toolkit.Browser(1).Navigate2(" http://one/ ");
  main().Menu("m_tab_copy").Click();
  ASSERT_EQ(state.TabCount, 2);
  EXPECT_EQ(BrowserAt(2).LocationURL(), "http://one/");
  clipboard.text = "  \n";
  main().Menu("m_tab_clip").Click();
  EXPECT_EQ(state.TabCount, 2);
  clipboard.text = "http://clip/\n";
  main().Menu("m_tab_clip").Click();
  ASSERT_EQ(state.TabCount, 3);
  EXPECT_EQ(BrowserAt(3).LocationURL(), "http://clip/");
  EXPECT_EQ(state.CurTab, 1);
}

TEST_F(TabStrip, PopupStopReloadAndCopyActOnTheCurrentTab) {
  OpenTabsUntil(2);
  SwitchTo(2);
  toolkit.Browser(2).Navigate2("http://two/ ");
  main().Menu("pop_Stop").Click();
  main().Menu("pop_Reload").Click();
  EXPECT_EQ(toolkit.Browser(2).calls.back(), "Refresh2");
  EXPECT_EQ(toolkit.Browser(2).calls[toolkit.Browser(2).calls.size() - 2], "Stop");
  main().Menu("pop_Clip").Click();
  EXPECT_EQ(clipboard.text, "http://two/");
}

}  // namespace
}  // namespace tabulon::testing
