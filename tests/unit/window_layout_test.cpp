#include "base/keys.h"
#include "main_window_fixture.h"
#include "mainwindow/placement.h"

namespace tabulon::testing {
namespace {

constexpr int kFw = FakeToolkit::kFrameWidth;
constexpr int kFh = FakeToolkit::kFrameHeight;

class Placing : public MainWindowTest {};

TEST_F(Placing, EmptyStoreOpensAtDefaults) {
  Start();
  EXPECT_EQ(main().Window().Left(), 1000);
  EXPECT_EQ(main().Window().Top(), 1000);
  EXPECT_EQ(main().Window().Width(), 6500);
  EXPECT_EQ(main().Window().Height(), 6500);
  EXPECT_TRUE(main().NormalMode);
}

TEST_F(Placing, StoredValuesAreRestoredAndTextReadsAsDefault) {
  store.values["Tabulon/Settings/MainLeft"] = "3000";
  store.values["Tabulon/Settings/MainTop"] = "abc";
  store.values["Tabulon/Settings/MainWidth"] = "9000";
  store.values["Tabulon/Settings/MainHeight"] = "-20";
  Start();
  EXPECT_EQ(main().Window().Left(), 3000);
  EXPECT_EQ(main().Window().Top(), 1000);
  EXPECT_EQ(main().Window().Width(), 9000);
  EXPECT_EQ(main().Window().Height(), 6500);
}

TEST_F(Placing, AWindowStoredOffScreenIsBroughtBack) {
  store.values["Tabulon/Settings/MainLeft"] = "900000";
  store.values["Tabulon/Settings/MainTop"] = "-5000";
  Start();
  EXPECT_EQ(main().Window().Left(), toolkit.work_area.width - 6500);
  EXPECT_EQ(main().Window().Top(), 0);
}

TEST(FittingToTheScreen, OversizedWindowShrinksToTheAreaAndUnknownAreaChangesNothing) {
  Placement p = FitToArea({100, 100, 50000, 40000}, {0, 0, 19200, 15000});
  EXPECT_EQ(p.left, 0);
  EXPECT_EQ(p.top, 0);
  EXPECT_EQ(p.width, 19200);
  EXPECT_EQ(p.height, 15000);
  Placement q = FitToArea({-7, 8, 9, 10}, {});
  EXPECT_EQ(q.left, -7);
  EXPECT_EQ(q.width, 9);
}

TEST_F(Placing, UnloadSavesThePlacementOnce) {
  Start();
  toolkit.UserResizes(7000, 5000);
  main().CloseRequested();
  main().Form_Unload();
  EXPECT_TRUE(toolkit.ended);
  EXPECT_EQ(store.writes, 4);
  EXPECT_EQ(store.values["Tabulon/Settings/MainWidth"], "7000");
  EXPECT_EQ(store.values["Tabulon/Settings/MainHeight"], "5000");
  EXPECT_EQ(store.values["Tabulon/Settings/MainLeft"], "1000");
}

TEST_F(Placing, MinimisedWindowSavesNothing) {
  Start();
  toolkit.UserMinimizes();
  main().CloseRequested();
  EXPECT_EQ(store.writes, 0);
}

TEST_F(Placing, MaximisedWindowSavesItsMaximisedPlacement) {
  Start();
  main().Window().SetWindowState(kMaximized);
  main().CloseRequested();
  EXPECT_EQ(store.values["Tabulon/Settings/MainWidth"], std::to_string(toolkit.work_area.width));
}

class LayingOut : public MainWindowTest {
 protected:
  void SetUp() override { Start(); }
  const Control& Page() { return main().BrowserOfTab(state.CurTab); }
};

TEST_F(LayingOut, UrlBoxHasNoWidthUpTo1335AndGrowsFrom1336) {
  toolkit.UserResizes(1335 + kFw, 6500);
  EXPECT_EQ(main().cmbURL().Width(), 0);
  toolkit.UserResizes(1336 + kFw, 6500);
  EXPECT_EQ(main().cmbURL().Width(), 531);
}

TEST_F(LayingOut, ShortWindowGivesThePageNoHeightEvenWithoutStatusBar) {
  toolkit.UserResizes(6500, 840 + kFh);
  EXPECT_EQ(Page().Height(), 0);
  main().m_view_sts_Click();
  EXPECT_EQ(Page().Height(), 0);
  toolkit.UserResizes(6500, 841 + kFh);
  EXPECT_EQ(Page().Height(), 841 - 570);  // status bar hidden: down to the bottom
}

TEST_F(LayingOut, TabStripHiddenAndShownAgainPutsUrlBarOnTop) {
  main().m_view_tab_Click();
  EXPECT_FALSE(main().picTab().Visible());
  EXPECT_EQ(main().picTab().Height(), 0);
  EXPECT_FALSE(main().Menu("m_view_tab").Checked());
  EXPECT_EQ(main().picURL().Top(), 0);
  EXPECT_EQ(Page().Top(), 315);
  main().m_view_tab_Click();
  EXPECT_TRUE(main().Menu("m_view_tab").Checked());
  EXPECT_EQ(main().picURL().Top(), 0);
  EXPECT_EQ(main().picTab().Top(), 315);
  EXPECT_EQ(Page().Top(), 570);
}

TEST_F(LayingOut, EveryBarHiddenLetsThePageFillTheClientArea) {
  main().m_view_tab_Click();
  main().m_view_URL_Click();
  main().m_view_sts_Click();
  EXPECT_EQ(Page().Top(), 0);
  EXPECT_EQ(Page().Height(), main().Window().ScaleHeight());
  EXPECT_FALSE(main().Menu("m_view_sts").Checked());
}

TEST_F(LayingOut, ResizeRelaysTheStripButNotHiddenBrowsers) {
  main().NewTab();
  toolkit.UserResizes(9000, 7000);
  EXPECT_EQ(main().lblTab(2).Left(), 3000);
  EXPECT_EQ(main().lblTab(2).Width(), 3000);
  EXPECT_EQ(main().brwPage(1).Width(), 9000 - kFw);
  EXPECT_NE(main().brwPage(2).Width(), 9000 - kFw);
}

TEST_F(LayingOut, MinimisedWindowIsNotLaidOut) {
  toolkit.UserMinimizes();
  EXPECT_GT(Page().Width(), 0);
  EXPECT_TRUE(boxes.shown.empty());
}

class FullScreen : public LayingOut {};

TEST_F(FullScreen, F11EntersAndLeavesRestoringBarsAndMenus) {
  EXPECT_TRUE(main().KeyPreview(kVkF11, 0));
  EXPECT_FALSE(main().NormalMode);
  EXPECT_EQ(main().Window().GetWindowState(), kMaximized);
  EXPECT_FALSE(main().picTab().Visible());
  EXPECT_FALSE(main().StaMsg().Visible());
  EXPECT_FALSE(main().Menu("m_tab").Visible());
  EXPECT_FALSE(main().Menu("m_view").Visible());
  EXPECT_EQ(Page().Top(), 0);
  EXPECT_EQ(Page().Height(), main().Window().ScaleHeight());
  // The menu is hidden now; the window's own key handler takes F11.
  EXPECT_TRUE(main().KeyPreview(kVkF11, 0));
  EXPECT_TRUE(main().NormalMode);
  EXPECT_EQ(main().Window().GetWindowState(), kNormal);
  EXPECT_TRUE(main().picTab().Visible());
  EXPECT_EQ(main().picURL().Height(), 315);
  EXPECT_TRUE(main().Menu("m_help").Visible());
  EXPECT_EQ(Page().Top(), 570);
}

TEST_F(FullScreen, LeavingRestoresAMaximisedWindowAndOnlyCheckedBars) {
  main().Window().SetWindowState(kMaximized);
  main().m_view_tab_Click();
  main().m_view_full_Click();
  main().m_view_full_Click();
  EXPECT_EQ(main().Window().GetWindowState(), kMaximized);
  EXPECT_FALSE(main().picTab().Visible());
  EXPECT_TRUE(main().picURL().Visible());
  EXPECT_EQ(Page().Top(), 315);
}

TEST_F(FullScreen, HiddenMenuShortcutsDoNothing) {
  main().m_view_full_Click();
  EXPECT_FALSE(main().KeyPreview(kVkInsert, kCtrl));
  EXPECT_EQ(state.TabCount, 1);
  main().m_view_full_Click();
  EXPECT_TRUE(main().KeyPreview(kVkInsert, kCtrl));
  EXPECT_EQ(state.TabCount, 2);
}

}  // namespace
}  // namespace tabulon::testing
