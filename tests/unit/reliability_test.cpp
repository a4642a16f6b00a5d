#include <random>

#include "base/keys.h"
#include "base/val.h"
#include "browsing/address.h"
#include "browsing/crash_page.h"
#include "main_window_fixture.h"

namespace tabulon::testing {
namespace {

class CrashedPages : public MainWindowTest {
 protected:
  void SetUp() override {
    Start();
    OpenTabsUntil(2);
    toolkit.Browser(1).Navigate2("http://one/");
    toolkit.Browser(2).Navigate2("http://two/");
  }
};

TEST_F(CrashedPages, FirstCrashReloadsAndSaysSoForTheCurrentTab) {
  main().brwPage_ProcessTerminated(1, 1000);
  EXPECT_EQ(toolkit.Browser(1).calls.back(), "Refresh2");
  EXPECT_EQ(main().StaMsg().PanelText(1),
            "ページを表示していたプロセスが停止しました。再読み込みします");
}

TEST_F(CrashedPages, SecondCrashSoonAfterShowsTheCrashPageInsteadOfLooping) {
  main().brwPage_ProcessTerminated(1, 1000);
  main().brwPage_ProcessTerminated(1, 1000 + CrashGuard::kWindowMs - 1);
  EXPECT_EQ(toolkit.Browser(1).LocationURL(), CrashPageAddress("http://one/"));
  EXPECT_EQ(main().StaMsg().PanelText(1), "ページがくり返し停止したため、表示を中止しました");
}

TEST_F(CrashedPages, CrashesFarApartReloadEachTimeAndOtherTabsAreTheirOwn) {
  main().brwPage_ProcessTerminated(1, 1000);
  main().brwPage_ProcessTerminated(2, 2000);
  main().brwPage_ProcessTerminated(1, 1000 + CrashGuard::kWindowMs);
  EXPECT_EQ(toolkit.Browser(1).calls.back(), "Refresh2");
  EXPECT_EQ(toolkit.Browser(2).calls.back(), "Refresh2");
  // A background tab's crash leaves the status text to the current tab.
  main().StaMsg().SetPanelText(1, "");
  main().brwPage_ProcessTerminated(2, 900000);
  EXPECT_EQ(main().StaMsg().PanelText(1), "");
}

TEST_F(CrashedPages, ABrowserIndexReusedAfterClosingStartsWithACleanRecord) {
  SwitchTo(2);
  main().brwPage_ProcessTerminated(2, 1000);
  main().CloseTab();
  main().NewTab();  // browser 2 again
  toolkit.Browser(2).Navigate2("http://again/");
  main().brwPage_ProcessTerminated(2, 1500);
  EXPECT_EQ(toolkit.Browser(2).calls.back(), "Refresh2");
}

TEST(CrashPage, NamesThePageAndLinksOnlyToWebAddresses) {
  const std::string html = CrashPageHtml(CrashPageAddress("http://a/?q=<b>&c"));
  EXPECT_NE(html.find("href=\"http://a/?q=&lt;b&gt;&amp;c\""), std::string::npos);
  EXPECT_EQ(html.find("<b>"), std::string::npos);
  const std::string script = CrashPageHtml(CrashPageAddress("javascript:alert(1)"));
  EXPECT_EQ(script.find("href="), std::string::npos);
  EXPECT_EQ(PercentDecode(PercentEncode("日本 語%&?")), "日本 語%&?");
  EXPECT_EQ(PercentDecode("%4"), "%4");
}

TEST(LoadErrorPage, SaysWhyNamesTheAddressAndOffersAReloadOfWebAddressesOnly) {
  const std::string refused =
      LoadErrorPageHtml("http://a:1/?q=<b>&c", LoadFailure::kConnectionRefused);
  EXPECT_NE(refused.find("接続を拒否されました"), std::string::npos);
  EXPECT_NE(refused.find("<a href=\"http://a:1/?q=&lt;b&gt;&amp;c\">再読み込み</a>"),
            std::string::npos);
  EXPECT_EQ(refused.find("<b>"), std::string::npos);
  EXPECT_NE(LoadErrorPageHtml("http://x/", LoadFailure::kHostNotFound).find("見つかりません"),
            std::string::npos);
  EXPECT_NE(LoadErrorPageHtml("http://x/", LoadFailure::kTimedOut).find("時間切れ"),
            std::string::npos);
  EXPECT_EQ(LoadErrorPageHtml("javascript:1", LoadFailure::kOther).find("href"), std::string::npos);
}

TEST(ScriptAddress, IsRecognisedWhateverItsCaseAndItsScriptIsDecoded) {
  EXPECT_TRUE(IsScriptAddress(" JavaScript:x"));
  EXPECT_TRUE(IsScriptAddress("vbscript:x"));
  EXPECT_FALSE(IsScriptAddress("http://javascript:8080/"));
  EXPECT_FALSE(IsScriptAddress("javascript"));
  EXPECT_EQ(BookmarkletScript("javascript:alert(%22%E6%97%A5%22)%"), "alert(\"日\")%");
  EXPECT_EQ(BookmarkletScript("vbscript:x"), "");
  EXPECT_EQ(NormalizeAddress("javascript:x"), "about:blank");
}

// A long run of the tab rules: every operation a user can reach, at random,
// and after each one the pairing of labels and browsers still holds.
TEST(LongRunOfTheTabRules, HundredThousandRandomOperationsKeepTheInvariant) {
  AppState state;
  FakeToolkit toolkit;
  FakeSettingsStore store;
  FakeMessageBoxes boxes;
  FakeClipboard clipboard;
  FakeProcessStarter processes;
  Application app{state, toolkit, {store, boxes, clipboard, processes}, "/nonexistent"};
  app.Main();
  frmMain& main = app.MainWindow();
  for (int n = 1; n <= 20; n += 3) state.UrlList[n].Url = "http://fav/" + std::to_string(n);
  clipboard.text = "http://clip/";

  std::mt19937 random(20261208);
  auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  const char* menus[] = {"m_tab_kara", "m_tab_copy", "m_tab_clip",   "m_tab1",     "m_tab2",
                         "m_tab3",     "m_tab4",     "m_tab5",       "pop_Clip",   "pop_Stop",
                         "pop_Reload", "pop_close",  "m_menu(1)",    "m_menu(2)",  "m_menu(3)",
                         "m_menu(4)",  "m_menu(6)",  "m_all_reload", "m_all_stop", "m_clip"};
  for (int step = 0; step < 100000; ++step) {
    const int r = pick(100);
    if (r < 25) {
      main.NewTab();
    } else if (r < 35) {
      main.NewPage("http://page/" + std::to_string(step));
    } else if (r < 45) {
      main.KeyPreview(kVk0 + pick(10), pick(2) ? kCtrl : kCtrl | kShift);
    } else if (r < 52) {
      main.brwPage_StatusTextChange(Val(main.lblTab(state.CurTab).Tag()), "http://pop/");
      main.brwPage_NewWindow2(1, pick(2) ? "" : "http://requested/");
    } else if (r < 68) {
      main.CloseTab();
    } else if (r < 69) {
      main.AllCloseTab();
    } else if (r < 80) {
      if (state.TabCount > 0) main.lblTab_Click(1 + pick(state.TabCount));
    } else if (r < 85) {
      main.KeyPreview(kVkTab, pick(2) ? kCtrl : kCtrl | kShift);
    } else if (r < 87) {
      main.m_menu_Click(5);  // Home: may go past 100
    } else {
      main.Menu(menus[pick(sizeof menus / sizeof *menus)]).Click();
    }

    ASSERT_GE(state.TabCount, 0) << step;
    ASSERT_LE(state.TabCount, 130) << step;
    ASSERT_EQ(state.CurTab == 0, state.TabCount == 0) << step;
    ASSERT_LE(state.CurTab, state.TabCount) << step;
    ASSERT_EQ(main.lblTabs().Count(), state.TabCount + 1) << step;
    ASSERT_EQ(static_cast<int>(toolkit.browsers.size()), state.TabCount + 1) << step;
    int visible = 0;
    for (const auto& [index, browser] : toolkit.browsers) {
      if (index != 0 && browser->Visible()) ++visible;
    }
    ASSERT_EQ(visible, state.TabCount > 0 ? 1 : 0) << step;
    for (int p = 1; p <= state.TabCount; ++p) {
      const int k = Val(main.lblTab(p).Tag());
      ASSERT_EQ(main.brwPage(k).Tag(), std::to_string(p)) << step;
      const bool current = p == state.CurTab;
      ASSERT_EQ(main.brwPage(k).Visible(), current) << step;
      ASSERT_EQ(main.lblTab(p).BackColor() == kCurrentTabColour, current) << step;
      ASSERT_EQ(main.lblTab(p).FontBold(), current) << step;
    }
    // Home past the limit aside, nothing goes over a hundred.
    if (state.TabCount > 100) {
      main.AllCloseTab();
    }
  }
}

}  // namespace
// With one process for several tabs, all of them stop answering at once:
// one bar names the current tab's page, whichever was told first. A tab
// out of sight that hangs alone is named itself, and stopping ends it.
TEST_F(CrashedPages, APageThatStopsAnsweringIsNamedOnceAndCanBeStopped) {
  BrowserAt(1).title = "A";  // current
  BrowserAt(2).title = "B";
  main().brwPage_Responsive(2, false);
  main().brwPage_Responsive(1, false);
  toolkit.RunLaterTasks();
  EXPECT_EQ(toolkit.bar_question, "「A」が応答していません");
  const int first_bar = toolkit.bars;
  main().brwPage_Responsive(1, true);
  main().brwPage_Responsive(2, true);
  EXPECT_EQ(toolkit.bar_question, "");

  main().brwPage_Responsive(2, false);
  toolkit.RunLaterTasks();
  EXPECT_EQ(toolkit.bars, first_bar + 1);
  EXPECT_EQ(toolkit.bar_question, "「B」が応答していません");
  // 待つ: asked again later while it still does not answer, not once it does.
  toolkit.bar_answered(true);
  EXPECT_EQ(toolkit.bars, first_bar + 1);
  toolkit.RunLaterTasks();
  EXPECT_EQ(toolkit.bars, first_bar + 2);
  EXPECT_EQ(toolkit.bar_question, "「B」が応答していません");
  toolkit.bar_answered(true);
  main().brwPage_Responsive(2, true);
  toolkit.RunLaterTasks();
  EXPECT_EQ(toolkit.bars, first_bar + 2);
  main().brwPage_Responsive(2, false);
  toolkit.RunLaterTasks();
  toolkit.bar_answered(false);  // ページを停止
  EXPECT_EQ(BrowserAt(2).calls.back(), "EndProcess");
}

}  // namespace tabulon::testing
