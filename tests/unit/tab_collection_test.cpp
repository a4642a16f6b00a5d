#include <ostream>
#include <string>

#include "base/keys.h"
#include "base/val.h"
#include "main_window_fixture.h"

namespace tabulon::testing {
namespace {

class StartingUp : public MainWindowTest {};

TEST_F(StartingUp, EmptyCommandLineSendsFirstTabHome) {
  Start();
  EXPECT_EQ(state.TabCount, 1);
  EXPECT_EQ(state.CurTab, 1);
  EXPECT_EQ(toolkit.Browser(1).calls, (std::vector<std::string>{"GoHome"}));
  EXPECT_EQ(toolkit.Browser(0).calls, (std::vector<std::string>{"Stop"}));
}

TEST_F(StartingUp, CommandLineIsOpenedWholeInTheFirstTab) {
  Start("http://127.0.0.1/a b");
  EXPECT_EQ(toolkit.Browser(1).calls, (std::vector<std::string>{"Navigate2 http://127.0.0.1/a b"}));
}

TEST_F(StartingUp, FirstTabIsCurrentYellowBoldVisibleAndHalfTheWindowWide) {
  Start();
  EXPECT_TRUE(IsCurrentLook(1));
  EXPECT_TRUE(main().brwPage(1).Visible());
  EXPECT_FALSE(main().brwPage(0).Visible());
  EXPECT_EQ(main().lblTab(1).Left(), 0);
  EXPECT_EQ(main().lblTab(1).Width(), 6500 / 2);
  EXPECT_EQ(main().lblTab(1).Tag(), "1");
  EXPECT_EQ(main().brwPage(1).Tag(), "1");
  EXPECT_EQ(main().Window().Caption(), " - Tabulon - ");
}

TEST_F(StartingUp, AFailingStepShowsInitAndStopsCreation) {
  toolkit.new_browsers_refuse = true;  // the template's Stop fails
  Start();
  EXPECT_EQ(boxes.shown, (std::vector<std::pair<std::string, std::string>>{{"init", "Tabulon"}}));
  EXPECT_EQ(state.TabCount, 0);
  EXPECT_EQ(state.CurTab, 0);
}

class OpeningTabs : public MainWindowTest {
 protected:
  void SetUp() override { Start(); }
};

TEST_F(OpeningTabs, NewTabOpensInTheBackgroundAndStopsIt) {
  main().NewTab();
  EXPECT_EQ(state.TabCount, 2);
  EXPECT_EQ(state.CurTab, 1);
  EXPECT_FALSE(main().brwPage(2).Visible());
  EXPECT_TRUE(main().lblTab(2).Visible());
  EXPECT_EQ(main().lblTab(2).BackColor(), kOtherTabColour);
  EXPECT_FALSE(main().lblTab(2).FontBold());
  EXPECT_EQ(toolkit.Browser(2).calls, (std::vector<std::string>{"Stop"}));
}

TEST_F(OpeningTabs, LayoutGivesEachOfThreeTabsAQuarterOfTheOuterWidth) {
  OpenTabsUntil(3);
  for (int i = 1; i <= 3; ++i) {
    EXPECT_EQ(main().lblTab(i).Width(), 1625) << i;
    EXPECT_EQ(main().lblTab(i).Left(), (i - 1) * 1625) << i;
    EXPECT_EQ(main().lblTab(i).Top(), 60);
    EXPECT_EQ(main().lblTab(i).Height(), 210);
  }
}

TEST_F(OpeningTabs, NewBrowserSitsBelowBothBarsAboveTheStatusBar) {
  main().NewTab();
  const Control& b = main().brwPage(2);
  EXPECT_EQ(b.Left(), 5);
  EXPECT_EQ(b.Top(), 570);
  EXPECT_EQ(b.Height(), main().Window().ScaleHeight() - 570 - 270);
  EXPECT_EQ(b.Width(), main().Window().ScaleWidth());
}

TEST_F(OpeningTabs, NewPageTrimsNothingAndIgnoresBlankAddresses) {
  main().NewPage("   ");
  EXPECT_EQ(state.TabCount, 1);
  main().NewPage(" x ");
  ASSERT_EQ(state.TabCount, 2);
  EXPECT_EQ(BrowserAt(2).calls, (std::vector<std::string>{"Navigate2  x "}));
  EXPECT_EQ(main().picURL().ZOrderCalls(), 1);
}

TEST_F(OpeningTabs, HundredTabsIsTheLimitOfEveryCheckingCommand) {
  OpenTabsUntil(100);
  state.UrlList[3].Url = "http://a/";
  main().NewTab();
  main().NewPage("http://b/");
  main().ChkOpen(3);
  app.OpenUrlNewTab("http://c/");
  EXPECT_TRUE(main().brwPage_NewWindow2(1, "http://d/"));  // refused, and no tab
  EXPECT_EQ(state.TabCount, 100);
  EXPECT_EQ(main().lblTab(100).Width(), 6500 / 101);
}

TEST_F(OpeningTabs, OpenUrlNewTabOpensTheHundredthTab) {
  OpenTabsUntil(99);
  app.OpenUrlNewTab("http://c/");
  EXPECT_EQ(state.TabCount, 100);
  EXPECT_EQ(BrowserAt(100).LocationURL(), "http://c/");
}

TEST_F(OpeningTabs, OpenUrlNewTabNavigatesTheNewTabEvenWhenIndicesDiffer) {
  OpenTabsUntil(3);
  SwitchTo(2);
  main().CloseTab();  // tabs now hold browsers 1 and 3
  app.OpenUrlNewTab("http://new/");
  EXPECT_EQ(BrowserAt(3).LocationURL(), "http://new/");
  EXPECT_EQ(toolkit.Browser(3).LocationURL(), "");
}

struct FavouriteCase {
  std::int16_t n;
  int slot;
};

void PrintTo(const FavouriteCase& c, std::ostream* os) {
  *os << "number " << c.n << " opens slot " << c.slot;
}

class OpeningFavourites : public OpeningTabs,
                          public ::testing::WithParamInterface<FavouriteCase> {};

TEST_P(OpeningFavourites, DigitMapsToItsSlot) {
  for (int s = 1; s <= 20; ++s) state.UrlList[s].Url = "http://fav/" + std::to_string(s);
  main().ChkOpen(GetParam().n);
  ASSERT_EQ(state.TabCount, 2);
  EXPECT_EQ(BrowserAt(2).LocationURL(), "http://fav/" + std::to_string(GetParam().slot));
}
INSTANTIATE_TEST_SUITE_P(Slots, OpeningFavourites,
                         ::testing::Values(FavouriteCase{1, 1}, FavouriteCase{9, 9},
                                           FavouriteCase{0, 10}, FavouriteCase{11, 11},
                                           FavouriteCase{19, 19}, FavouriteCase{10, 20}),
                         [](const auto& info) {
                           return "Number" + std::to_string(info.param.n) + "OpensSlot" +
                                  std::to_string(info.param.slot);
                         });

TEST_F(OpeningTabs, EmptyOrBlankFavouriteOpensNothing) {
  state.UrlList[5].Url = "  ";
  main().ChkOpen(5);
  main().ChkOpen(6);
  EXPECT_EQ(state.TabCount, 1);
}

class ClosingTabs : public MainWindowTest {
 protected:
  void SetUp() override {
    Start();
    OpenTabsUntil(3);
  }
};

TEST_F(ClosingTabs, MiddleTabHandsOverToItsRightNeighbour) {
  SwitchTo(2);
  main().CloseTab();
  EXPECT_EQ(state.CurTab, 2);
  EXPECT_EQ(state.TabCount, 2);
  EXPECT_EQ(main().lblTab(1).Tag(), "1");
  EXPECT_EQ(main().lblTab(2).Tag(), "3");
  EXPECT_EQ(main().brwPage(3).Tag(), "2");
  EXPECT_FALSE(main().brwPages().Exists(2));
  EXPECT_FALSE(main().lblTabs().Exists(3));
  EXPECT_TRUE(IsCurrentLook(2));
  EXPECT_TRUE(main().brwPage(3).Visible());
}

TEST_F(ClosingTabs, NextTabAfterClosingTheMiddleGetsAFreshBrowser) {
  SwitchTo(2);
  main().CloseTab();
  main().NewTab();
  EXPECT_EQ(main().lblTab(3).Tag(), "4");
  EXPECT_EQ(main().brwPage(4).Tag(), "3");
}

TEST_F(ClosingTabs, RightmostCurrentTabHandsOverToLeftNeighbour) {
  SwitchTo(3);
  main().CloseTab();
  EXPECT_EQ(state.CurTab, 2);
  EXPECT_TRUE(IsCurrentLook(2));
  main().NewTab();
  EXPECT_EQ(main().lblTab(3).Tag(), "3");
}

TEST_F(ClosingTabs, ClosingLeavesTheOtherLabelsWhereTheyWere) {
  SwitchTo(3);
  main().CloseTab();
  EXPECT_EQ(main().lblTab(1).Width(), 1625);
  EXPECT_EQ(main().lblTab(2).Left(), 1625);
}

TEST_F(ClosingTabs, CaptionsAndToolTipsShiftLeftWithTheirTabs) {
  main().lblTab(3).SetCaption("third");
  main().lblTab(3).SetToolTipText("third");
  SwitchTo(2);
  main().CloseTab();
  EXPECT_EQ(main().lblTab(2).Caption(), "third");
  EXPECT_EQ(main().lblTab(2).ToolTipText(), "third");
}

TEST_F(ClosingTabs, TakingOverBrowserGetsTheCurrentLayoutAndItsAddress) {
  toolkit.Browser(3).Navigate2("http://three/");
  SwitchTo(2);
  toolkit.UserResizes(9000, 7000);  // browser 3 is hidden meanwhile
  main().CloseTab();
  EXPECT_EQ(main().brwPage(3).Width(), 9000 - FakeToolkit::kFrameWidth);
  EXPECT_EQ(main().cmbURL().Text(), "http://three/");
}

TEST_F(ClosingTabs, ClosingEveryTabOneByOneEmptiesTheWindowAndItStaysUsable) {
  main().cmbURL().SetText("x");
  for (int i = 0; i < 3; ++i) main().CloseTab();
  EXPECT_EQ(state.TabCount, 0);
  EXPECT_EQ(state.CurTab, 0);
  EXPECT_EQ(main().cmbURL().Text(), "");
  EXPECT_EQ(main().lblTabs().Count(), 1);
  EXPECT_EQ(main().brwPages().Count(), 1);
  main().CloseTab();  // nothing left to close
  EXPECT_EQ(state.TabCount, 0);
  EXPECT_TRUE(main().brwPages().Exists(0));
  main().NewTab();
  EXPECT_EQ(state.CurTab, 1);
  EXPECT_TRUE(IsCurrentLook(1));
  EXPECT_TRUE(main().brwPage(1).Visible());
}

TEST_F(ClosingTabs, AllCloseTabUnloadsEveryPairButTheTemplates) {
  main().AllCloseTab();
  EXPECT_EQ(state.TabCount, 0);
  EXPECT_EQ(state.CurTab, 0);
  EXPECT_EQ(toolkit.browsers.size(), 1u);
  EXPECT_EQ(main().lblTabs().Count(), 1);
  EXPECT_EQ(main().lblTab(0).Tag(), "0");
}

TEST_F(ClosingTabs, InvariantHoldsThroughARandomWalk) {
  unsigned seed = 7;
  auto next = [&] { return seed = seed * 1103515245u + 12345u, (seed >> 16) % 100; };
  for (int step = 0; step < 2000; ++step) {
    unsigned r = next();
    if (r < 45) {
      main().NewTab();
    } else if (r < 80) {
      main().CloseTab();
    } else if (state.TabCount > 0) {
      SwitchTo(1 + static_cast<int>(next()) % state.TabCount);
    }
    int previous_index = 0;
    for (int p = 1; p <= state.TabCount; ++p) {
      int k = Val(main().lblTab(p).Tag());
      ASSERT_GT(k, previous_index) << "step " << step;
      ASSERT_EQ(main().brwPage(k).Tag(), std::to_string(p)) << "step " << step;
      ASSERT_EQ(main().brwPage(k).Visible(), p == state.CurTab) << "step " << step;
      ASSERT_EQ(IsCurrentLook(p), p == state.CurTab) << "step " << step;
      previous_index = k;
    }
    ASSERT_EQ(static_cast<int>(toolkit.browsers.size()), state.TabCount + 1);
    ASSERT_EQ(state.CurTab == 0, state.TabCount == 0);
  }
}

class ReopeningTabs : public MainWindowTest {
 protected:
  void SetUp() override { Start(); }
  void PressCtrlShiftT() { main().KeyPreview(kVkT, kCtrl | kShift); }
  std::vector<std::string> Addresses() {
    std::vector<std::string> addresses;
    for (int p = 1; p <= state.TabCount; ++p) addresses.push_back(BrowserAt(p).LocationURL());
    return addresses;
  }
};

TEST_F(ReopeningTabs, ACloseComesBackAtTheRightEndWithItsHistoryAndAllCloseAsAWhole) {
  main().NewPage("http://a/");
  BrowserAt(2).Navigate2("http://a/2");
  main().lblTab(2).SetCaption("A2");
  main().NewPage("http://b/");
  SwitchTo(2);
  main().CloseTab();

  PressCtrlShiftT();
  EXPECT_EQ(Addresses(), (std::vector<std::string>{"home", "http://b/", "http://a/2"}));
  EXPECT_EQ(state.CurTab, 3);
  EXPECT_EQ(main().lblTab(3).Caption(), "A2");
  EXPECT_EQ(BrowserAt(3).calls, (std::vector<std::string>{"RestoreHistory http://a/2"}));
  BrowserAt(3).GoBack();
  EXPECT_EQ(BrowserAt(3).LocationURL(), "http://a/");

  main().AllCloseTab();
  PressCtrlShiftT();
  EXPECT_EQ(Addresses(), (std::vector<std::string>{"home", "http://b/", "http://a/"}));
  PressCtrlShiftT();  // nothing older is left
  EXPECT_EQ(state.TabCount, 3);
}

TEST_F(ReopeningTabs, OnlyTheLatestTwentyClosedTabsAreKept) {
  for (int i = 1; i <= 25; ++i) main().NewPage("http://t" + std::to_string(i) + "/");
  main().AllCloseTab();
  PressCtrlShiftT();
  ASSERT_EQ(state.TabCount, 20);
  EXPECT_EQ(BrowserAt(1).LocationURL(), "http://t6/");
  EXPECT_EQ(BrowserAt(20).LocationURL(), "http://t25/");
}

}  // namespace
}  // namespace tabulon::testing
