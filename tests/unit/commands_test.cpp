#include "base/keys.h"
#include "main_window_fixture.h"

namespace tabulon::testing {
namespace {

class PageMenu : public MainWindowTest {
 protected:
  void SetUp() override {
    Start();
    OpenTabsUntil(3);
    SwitchTo(2);
  }
};

TEST_F(PageMenu, BackOnAFirstPageWritesItsStatusTextAndNoBox) {
  main().Menu("m_menu(1)").Click();
  EXPECT_EQ(main().StaMsg().PanelText(1), "これ以上戻れません");
  main().Menu("m_menu(2)").Click();
  EXPECT_EQ(main().StaMsg().PanelText(1), "これ以上進めません");
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(PageMenu, BackAndForwardWalkTheHistoryWhenThereIsOne) {
  BrowserAt(2).Navigate2("http://a/");
  BrowserAt(2).Navigate2("http://b/");
  main().m_menu_Click(1);
  EXPECT_EQ(BrowserAt(2).LocationURL(), "http://a/");
  main().m_menu_Click(2);
  EXPECT_EQ(BrowserAt(2).LocationURL(), "http://b/");
  EXPECT_EQ(main().StaMsg().PanelText(1), "");
}

TEST_F(PageMenu, OtherRefusalsShowTheMenuBox) {
  BrowserAt(2).refuse_commands = true;
  main().m_menu_Click(4);
  main().m_menu_Click(6);
  EXPECT_EQ(boxes.shown, (std::vector<std::pair<std::string, std::string>>{{"m_menu", "Tabulon"},
                                                                           {"m_menu", "Tabulon"}}));
}

TEST_F(PageMenu, HomeAppendsABackgroundTabAndLeavesTheCurrentOneAlone) {
  main().cmbURL().SetText("typed");
  main().m_menu_Click(5);
  ASSERT_EQ(state.TabCount, 4);
  EXPECT_EQ(state.CurTab, 2);
  EXPECT_EQ(BrowserAt(4).calls, (std::vector<std::string>{"GoHome"}));
  EXPECT_EQ(main().lblTab(4).BackColor(), kOtherTabColour);
  EXPECT_EQ(main().cmbURL().Text(), "typed");
  EXPECT_TRUE(BrowserAt(2).calls.size() == 1);  // its own Stop when it opened
}

TEST_F(PageMenu, HomeIgnoresTheLimitAndOpensA101stTab) {
  OpenTabsUntil(100);
  main().m_menu_Click(5);
  EXPECT_EQ(state.TabCount, 101);
}

TEST_F(PageMenu, HomeWithNoTabOpenMakesACurrentTab) {
  main().AllCloseTab();
  main().m_menu_Click(5);
  EXPECT_EQ(state.CurTab, 1);
  EXPECT_EQ(BrowserAt(1).LocationURL(), "home");
}

TEST_F(PageMenu, HomeFailingLeavesItsTabAndShowsTheBox) {
  toolkit.new_browsers_refuse = true;
  main().m_menu_Click(5);
  EXPECT_EQ(state.TabCount, 4);
  EXPECT_EQ(boxes.shown.size(), 1u);
}

TEST_F(PageMenu, WithNoTabOpenStopReloadSearchDoNothingButBackSaysSo) {
  main().AllCloseTab();
  main().m_menu_Click(3);
  main().m_menu_Click(4);
  main().m_menu_Click(6);
  main().m_clip_Click();
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_EQ(toolkit.Browser(0).calls, (std::vector<std::string>{"Stop"}));  // start-up only
  main().m_menu_Click(1);
  EXPECT_EQ(main().StaMsg().PanelText(1), "これ以上戻れません");
}

class AllTabs : public PageMenu {};

TEST_F(AllTabs, ReloadGoesLeftToRightAndPastARefusingTab) {
  BrowserAt(2).refuse_commands = true;
  main().m_all_reload_Click();
  EXPECT_EQ(BrowserAt(1).calls.back(), "Refresh2");
  EXPECT_EQ(BrowserAt(2).calls.back(), "Refresh2 refused");
  EXPECT_EQ(BrowserAt(3).calls.back(), "Refresh2");
  main().m_all_stop_Click();
  EXPECT_EQ(BrowserAt(3).calls.back(), "Stop");
}

TEST_F(AllTabs, QuitSavesThePlacementOnceAndClosesNoTab) {
  main().m_end_Click();
  EXPECT_TRUE(toolkit.ended);
  EXPECT_EQ(store.writes, 4);
  EXPECT_EQ(state.TabCount, 3);
}

TEST_F(AllTabs, CopyPutsTheTrimmedAddressOnTheClipboard) {
  BrowserAt(2).Navigate2("  http://copy/ ");
  main().m_clip_Click();
  EXPECT_EQ(clipboard.text, "http://copy/");
}

TEST_F(AllTabs, OptionsProgramIsStartedFromBesideTheBrowser) {
  main().MnuOpt_Click();
  EXPECT_EQ(processes.started,
            (std::vector<std::string>{"\"" + state.AppDir + "tabulon-options\""}));
}

// Ctrl+Shift+P, the last item of the タブ menu, starts the browser again
// with a private window, whose caption says so.
TEST_F(AllTabs, APrivateWindowIsABrowserOfItsOwnAndSaysSo) {
  EXPECT_EQ(main().Menu("m_tab").Items().back()->Caption(), "プライベートウィンドウ");
  EXPECT_TRUE(main().KeyPreview(kVkP, kCtrl | kShift));
  EXPECT_EQ(processes.started,
            (std::vector<std::string>{"\"" + state.AppDir + "tabulon\" --private"}));
  state.Private = true;
  main().brwPage_TitleChange(BrowserAt(1).index, "例");
  EXPECT_EQ(main().Window().Caption(), "例 - Tabulon - プライベート");
}

// Typed in the URL box, a javascript: address runs in the page shown, as a
// bookmarklet; from a favourite, the clipboard or a page's pop-up it opens
// nothing and says so.
TEST_F(AllTabs, ScriptAddressesRunOnlyFromTheUrlBox) {
  const size_t calls = BrowserAt(2).calls.size();
  main().cmbURL().FeedText(" JavaScript:document.title=%22a%20b%22 ");
  main().cmbURL_KeyDown(kVkReturn, 0);
  ASSERT_EQ(BrowserAt(2).calls.size(), calls + 1);
  EXPECT_EQ(BrowserAt(2).calls.back(), "Run document.title=\"a b\"");
  EXPECT_EQ(state.TabCount, 3);

  state.UrlList[4].Url = "javascript:alert(1)";
  main().ChkOpen(4);
  clipboard.text = " vbscript:msgbox ";
  main().m_tab_clip_Click();
  EXPECT_TRUE(main().brwPage_NewWindow2(2, "javascript:alert(2)"));
  EXPECT_EQ(state.TabCount, 3);
  EXPECT_EQ(main().StaMsg().PanelText(1), "javascript: のアドレスは開けません");
  EXPECT_EQ(BrowserAt(2).calls.size(), calls + 1);
}

TEST_F(AllTabs, EnterWithNoTabOpenOpensATabForTheAddress) {
  main().AllCloseTab();
  main().cmbURL().FeedText("http://typed/");
  main().cmbURL_KeyDown(kVkReturn, 0);
  EXPECT_EQ(state.CurTab, 1);
  EXPECT_EQ(BrowserAt(1).LocationURL(), "http://typed/");
}

}  // namespace
}  // namespace tabulon::testing
