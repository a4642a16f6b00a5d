#include <ostream>

#include "base/keys.h"
#include "main_window_fixture.h"
#include "param_names.h"

namespace tabulon::testing {
namespace {

class BrowserEventsTest : public MainWindowTest {
 protected:
  void SetUp() override {
    Start();
    OpenTabsUntil(3);  // tab 1 current, browsers 1, 2, 3
  }
};

TEST_F(BrowserEventsTest, StatusTextOnlyFromTheCurrentTab) {
  main().brwPage_StatusTextChange(2, "http://background/");
  EXPECT_EQ(main().StaMsg().PanelText(1), "");
  main().brwPage_StatusTextChange(1, "http://link/");
  EXPECT_EQ(main().StaMsg().PanelText(1), "http://link/");
}

struct ProgressCase {
  const char* name;
  std::int32_t progress, max;
  std::string shown;
};

void PrintTo(const ProgressCase& c, std::ostream* os) {
  *os << c.progress << " of " << c.max << " shows " << testing_support::Quoted(c.shown);
}

class Progress : public BrowserEventsTest, public ::testing::WithParamInterface<ProgressCase> {};
TEST_P(Progress, PanelTwoShowsTruncatedPercentOrStaysAlone) {
  main().StaMsg().SetPanelText(2, "before");
  main().brwPage_ProgressChange(2, GetParam().progress, GetParam().max);
  EXPECT_EQ(main().StaMsg().PanelText(2), GetParam().shown);
}
INSTANTIATE_TEST_SUITE_P(
    Cases, Progress,
    ::testing::Values(ProgressCase{"ThreeQuarters", 3, 4, "75%"},
                      ProgressCase{"OneThirdTruncated", 1, 3, "33%"},
                      ProgressCase{"MinusOneLeavesThePanel", -1, 100, "before"},
                      ProgressCase{"ZeroMaximumLeavesThePanel", 5, 0, "before"},
                      ProgressCase{"HugeValuesDoNotOverflow", 2000000000, 2000000000, "100%"},
                      ProgressCase{"OtherNegativesShowAPercentage", -5, 10, "-50%"}),
    testing_support::RowName());

TEST_F(BrowserEventsTest, BackgroundLoadRetitlesItsOwnLabelOnly) {
  toolkit.Browser(2).title = "Second";
  main().cmbURL().SetText("typed");
  main().brwPage_DownloadComplete(2);
  EXPECT_EQ(main().lblTab(2).Caption(), "Second");
  EXPECT_EQ(main().lblTab(2).ToolTipText(), "Second");
  EXPECT_EQ(main().lblTab(1).Caption(), "");
  EXPECT_EQ(main().cmbURL().Text(), "typed");
}

TEST_F(BrowserEventsTest, RetitlingFollowsTheBrowsersTagAfterAClose) {
  SwitchTo(2);
  main().CloseTab();  // browser 3 now at position 2
  toolkit.Browser(3).title = "Third";
  main().brwPage_DownloadComplete(3);
  EXPECT_EQ(main().lblTab(2).Caption(), "Third");
}

TEST_F(BrowserEventsTest, TemplateNeverRenamesALabel) {
  toolkit.Browser(0).title = "template";
  main().brwPage_DownloadComplete(0);
  for (int p = 0; p <= 3; ++p) EXPECT_EQ(main().lblTab(p).Caption(), "");
}

TEST_F(BrowserEventsTest, AnyTabsTitleSetsTheCaption) {
  main().brwPage_TitleChange(3, "ページ");
  EXPECT_EQ(main().Window().Caption(), "ページ - Tabulon - ");
  main().brwPage_TitleChange(1, "");
  EXPECT_EQ(main().Window().Caption(), " - Tabulon - ");
}

TEST_F(BrowserEventsTest, UrlBoxFollowsTheCurrentTabsNavigationOnly) {
  main().brwPage_BeforeNavigate2(2, "http://background/");
  EXPECT_EQ(main().cmbURL().Text(), "");
  main().brwPage_BeforeNavigate2(1, "http://requested/");
  EXPECT_EQ(main().cmbURL().Text(), "http://requested/");
  toolkit.Browser(1).Navigate2("http://final/");
  main().brwPage_NavigateComplete2(1);
  EXPECT_EQ(main().cmbURL().Text(), "http://final/");
}

TEST_F(BrowserEventsTest, NewWindowBecomesABackgroundTabLoadingTheRequestedAddress) {
  main().brwPage_StatusTextChange(1, "http://hovered/");
  EXPECT_TRUE(main().brwPage_NewWindow2(1, "http://opened-by-script/"));
  ASSERT_EQ(state.TabCount, 4);
  EXPECT_EQ(state.CurTab, 1);
  EXPECT_EQ(BrowserAt(4).calls, (std::vector<std::string>{"Navigate2 http://opened-by-script/"}));
}

TEST_F(BrowserEventsTest, NewWindowWithoutAnAddressFallsBackToTheStatusText) {
  main().brwPage_StatusTextChange(1, "http://hovered/");
  EXPECT_TRUE(main().brwPage_NewWindow2(1, ""));
  EXPECT_EQ(BrowserAt(4).calls, (std::vector<std::string>{"Navigate2 http://hovered/"}));
  EXPECT_EQ(main().picURL().ZOrderCalls(), 1);
}

TEST_F(BrowserEventsTest, AWebPageCannotOpenLocalFilesOrTheBrowsersOwnPages) {
  BrowserAt(1).Navigate2("https://site/");
  for (const char* target : {"file:///etc/hostname", "TABULON://start/", "view-source:file:///x"}) {
    EXPECT_TRUE(main().brwPage_NewWindow2(1, target)) << target;
  }
  EXPECT_EQ(state.TabCount, 3);
  EXPECT_EQ(main().StaMsg().PanelText(1),
            "このページからはローカルファイルや内部ページを開けません");
  // Our own pages and local files may link on.
  BrowserAt(1).Navigate2("tabulon://start/");
  EXPECT_TRUE(main().brwPage_NewWindow2(1, "file:///home/"));
  EXPECT_EQ(state.TabCount, 4);
}

TEST_F(BrowserEventsTest, PageMovesAndResizesTheWindow) {
  main().brwPage_WindowSetLeft(2, 1500);
  main().brwPage_WindowSetWidth(2, 9000);
  EXPECT_EQ(main().Window().Left(), 1500);
  EXPECT_EQ(main().Window().Width(), 9000);
  EXPECT_EQ(main().lblTab(1).Width(), 9000 / 4);  // laid out again
}

TEST_F(BrowserEventsTest, PageCannotPushTheWindowOffScreenOrShrinkIt) {
  main().brwPage_WindowSetLeft(1, -90000);
  main().brwPage_WindowSetTop(1, 900000);
  main().brwPage_WindowSetWidth(1, 15);
  main().brwPage_WindowSetHeight(1, 1);
  EXPECT_EQ(main().Window().Left(), 0);
  EXPECT_EQ(main().Window().Width(), kMinPageWindowWidth);
  EXPECT_EQ(main().Window().Height(), kMinPageWindowHeight);
  // Clamped while the window was still 6500 high.
  EXPECT_EQ(main().Window().Top(), toolkit.work_area.height - 6500);
  main().brwPage_WindowSetWidth(1, 10000000);
  EXPECT_EQ(main().Window().Width(), toolkit.work_area.width);
}

class Keys : public MainWindowTest {
 protected:
  void SetUp() override {
    Start();
    OpenTabsUntil(3);
  }
};

TEST_F(Keys, CtrlTabAndCtrlShiftTabWrap) {
  SwitchTo(3);
  EXPECT_TRUE(main().KeyPreview(kVkTab, kCtrl));
  EXPECT_EQ(state.CurTab, 1);
  EXPECT_TRUE(main().KeyPreview(kVkTab, kCtrl | kShift));
  EXPECT_EQ(state.CurTab, 3);
}

TEST_F(Keys, ExactMasksOnlyAndUnmatchedKeysPassOn) {
  EXPECT_FALSE(main().KeyPreview(kVkLeft, kAlt | kCtrl));
  EXPECT_FALSE(main().KeyPreview(kVkLeft, kAlt | kShift));
  EXPECT_FALSE(main().KeyPreview(kVkD, kCtrl));
  EXPECT_FALSE(main().KeyPreview('X', kCtrl));
  EXPECT_FALSE(main().KeyPreview(kVkW, 0));
  EXPECT_EQ(state.TabCount, 3);
}

TEST_F(Keys, FailingActionsAreSilentButStillConsumeTheKey) {
  EXPECT_TRUE(main().KeyPreview(kVkLeft, kAlt));  // no earlier page
  EXPECT_EQ(main().StaMsg().PanelText(1), "");
  EXPECT_TRUE(main().KeyPreview('3', kCtrl));  // favourite 3 empty
  EXPECT_EQ(state.TabCount, 3);
  toolkit.focus_possible = false;
  EXPECT_TRUE(main().KeyPreview(kVkD, kAlt));
}

TEST_F(Keys, FavouriteDigitsOnMainRowAndKeypad) {
  state.UrlList[20].Url = "http://twenty/";
  state.UrlList[5].Url = "http://five/";
  EXPECT_TRUE(main().KeyPreview('0', kCtrl | kShift));
  EXPECT_TRUE(main().KeyPreview(kVkNumpad0, kCtrl | kShift));
  EXPECT_TRUE(main().KeyPreview(kVkNumpad0 + 5, kCtrl));
  ASSERT_EQ(state.TabCount, 6);
  EXPECT_EQ(BrowserAt(4).LocationURL(), "http://twenty/");
  EXPECT_EQ(BrowserAt(5).LocationURL(), "http://twenty/");
  EXPECT_EQ(BrowserAt(6).LocationURL(), "http://five/");
}

TEST_F(Keys, AltHomeReplacesTheCurrentPageAndCtrlWCloses) {
  EXPECT_TRUE(main().KeyPreview(kVkHome, kAlt));
  EXPECT_EQ(BrowserAt(1).LocationURL(), "home");
  EXPECT_EQ(state.TabCount, 3);
  EXPECT_TRUE(main().KeyPreview(kVkW, kCtrl));
  EXPECT_EQ(state.TabCount, 2);
}

TEST_F(Keys, EnterInTheUrlBoxListsTheTextAsTypedAndLoadsItInTheCurrentTab) {
  main().cmbURL().FeedText(" http://a/ ");
  main().cmbURL_KeyDown(kVkReturn, kShift);
  main().cmbURL_KeyDown(kVkReturn, 0);
  main().cmbURL_KeyDown('A', 0);
  EXPECT_EQ(main().cmbURL().List(), (std::vector<std::string>{" http://a/ ", " http://a/ "}));
  EXPECT_EQ(state.TabCount, 3);
  EXPECT_EQ(BrowserAt(1).calls.size(), 3u);  // GoHome, then the address twice
}

// A page that keeps changing its own address must not overwrite what the
// user is typing; once the typing ends, the box follows the page again.
TEST_F(Keys, TypedTextSurvivesThePagesAddressChangesUntilTheEditingEnds) {
  BrowserAt(1).Navigate2("http://page/#1");
  main().cmbURL().FeedText("http://typed/");
  main().brwPage_BeforeNavigate2(1, "http://page/#2");
  main().brwPage_NavigateComplete2(1);
  EXPECT_EQ(main().cmbURL().Text(), "http://typed/");
  main().cmbURL_KeyDown(kVkEscape, 0);
  EXPECT_EQ(main().cmbURL().Text(), "http://page/#1");

  main().cmbURL().FeedText("http://typed/");
  main().cmbURL_LostFocus();
  main().brwPage_BeforeNavigate2(1, "http://page/#3");
  EXPECT_EQ(main().cmbURL().Text(), "http://page/#3");

  main().cmbURL().FeedText("http://typed/");
  main().brwPage_BeforeNavigate2(1, "http://page/#4");
  main().cmbURL_KeyDown(kVkReturn, 0);
  EXPECT_EQ(BrowserAt(1).LocationURL(), "http://typed/");
}

}  // namespace
}  // namespace tabulon::testing
