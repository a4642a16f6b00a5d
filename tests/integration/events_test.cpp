#include <algorithm>
#include <cstdlib>

#include "gtk/webkit/webkit_browser.h"
#include "harness.h"

namespace tabulon::integration {
namespace {

std::string Page(const std::string& title, const std::string& body = "") {
  return "<html><head><meta charset='utf-8'><title>" + title + "</title></head><body>" + body +
         "</body></html>";
}

// A real pointer click through the X server, as a user's would arrive.
void ClickAt(int x, int y, int button = 1) {
  std::string command = "xdotool mousemove " + std::to_string(x) + " " + std::to_string(y) +
                        " click " + std::to_string(button);
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

class RealEvents : public ::testing::Test {
 protected:
  LoopbackServer server;
  std::string config = TempFolder();
  void SetUp() override {
    server.Serve("/one.html", Page("一つ目"));
    server.Serve("/two.html", Page("二つ目"));
    server.Serve("/three.html", Page("三つ目"));
    server.Serve("/popup.html",
                 Page("popup",
                      "<a href='/two.html' target='_blank' style='position:absolute;"
                      "left:0;top:0;width:300px;height:80px;display:block'>二つ目へ</a>"));
    server.Serve("/frames.html", Page("frames", "<iframe src='/two.html'></iframe>"));
  }
};

TEST_F(RealEvents, BackgroundTabRetitlesOnlyItsOwnLabelAndSetsTheCaption) {
  BrowserRun run(config, server.Url("/one.html"));
  ASSERT_TRUE(run.WaitForCaption("一つ目 - Tabulon - "));
  run.main().NewPage(server.Url("/two.html"));
  ASSERT_TRUE(PumpUntil([&] { return run.main().lblTab(2).Caption() == "二つ目"; }));
  EXPECT_EQ(run.main().lblTab(2).ToolTipText(), "二つ目");
  EXPECT_EQ(run.main().lblTab(1).Caption(), "一つ目");
  EXPECT_EQ(run.main().Window().Caption(), "二つ目 - Tabulon - ");
  EXPECT_EQ(run.main().cmbURL().Text(), server.Url("/one.html"));
}

TEST_F(RealEvents, ClickingTheThirdLabelShowsItsPageAddressAndTitle) {
  BrowserRun run(config, server.Url("/one.html"));
  ASSERT_TRUE(run.WaitForCaption("一つ目 - Tabulon - "));
  run.main().NewPage(server.Url("/two.html"));
  run.main().NewPage(server.Url("/three.html"));
  ASSERT_TRUE(PumpUntil([&] { return run.main().lblTab(3).Caption() == "三つ目"; }));
  ASSERT_TRUE(PumpUntil([&] { return run.main().lblTab(2).Caption() == "二つ目"; }));
  ASSERT_TRUE(WaitForNextFrame(run.toolkit->Window()));
  const Control& label = run.main().lblTab(3);
  int x = 0, y = 0;
  run.toolkit->ClientToScreen(label.Left() + label.Width() / 2, label.Top() + 60, x, y);
  ClickAt(x, y);
  ASSERT_TRUE(PumpUntil([&] { return run.state.CurTab == 3; }));
  EXPECT_EQ(run.main().cmbURL().Text(), server.Url("/three.html"));
  EXPECT_EQ(run.main().Window().Caption(), "三つ目 - Tabulon - ");
  EXPECT_TRUE(run.main().BrowserOfTab(3).Visible());
  EXPECT_FALSE(run.main().BrowserOfTab(1).Visible());
  EXPECT_EQ(run.main().lblTab(3).BackColor(), kCurrentTabColour);

  run.main().pop_Clip_Click();
  EXPECT_TRUE(PumpUntil([&] { return run.clipboard.GetText() == server.Url("/three.html"); }))
      << run.clipboard.GetText();
}

TEST_F(RealEvents, ClickOnATargetBlankLinkAppendsABackgroundTabWithTheLinksAddress) {
  BrowserRun run(config, server.Url("/popup.html"));
  ASSERT_TRUE(run.WaitForCaption("popup - Tabulon - "));
  ASSERT_TRUE(WaitForLoaded(run, 1));
  ASSERT_TRUE(WaitForNextFrame(run.toolkit->Window()));
  const Control& page = run.main().brwPage(1);
  int x = 0, y = 0;
  run.toolkit->ClientToScreen(page.Left() + 50 * 15, page.Top() + 40 * 15, x, y);
  ClickAt(x, y);
  ASSERT_TRUE(PumpUntil([&] { return run.state.TabCount == 2; }));
  ASSERT_TRUE(PumpUntil([&] { return run.main().lblTab(2).Caption() == "二つ目"; }));
  EXPECT_EQ(run.main().BrowserOfTab(2).LocationURL(), server.Url("/two.html"));
  EXPECT_EQ(run.state.CurTab, 1);
}

TEST_F(RealEvents, RedirectShowsTheRequestedAddressThenTheFinalOne) {
  server.Redirect("/moved", "/three.html");
  BrowserRun run(config, "about:blank");
  ASSERT_TRUE(WaitForLoaded(run, 1));
  std::vector<std::string> seen;
  run.main().brwPage(1).Navigate2(server.Url("/moved"));
  ASSERT_TRUE(PumpUntil([&] {
    const std::string& text = run.main().cmbURL().Text();
    if (seen.empty() || seen.back() != text) seen.push_back(text);
    return run.main().Window().Caption() == "三つ目 - Tabulon - ";
  }));
  EXPECT_NE(std::find(seen.begin(), seen.end(), server.Url("/moved")), seen.end())
      << ::testing::PrintToString(seen);
  EXPECT_EQ(run.main().cmbURL().Text(), server.Url("/three.html"));
}

TEST_F(RealEvents, PageResizingTheWindowChangesItWithinTheScreen) {
  server.Serve("/resize.html", Page("resize", "<script>window.resizeTo(500, 400);</script>"));
  BrowserRun run(config, server.Url("/resize.html"));
  ASSERT_TRUE(run.WaitForCaption("resize - Tabulon - "));
  EXPECT_TRUE(PumpUntil([&] { return run.main().Window().Width() == 500 * 15; }, 5000))
      << run.main().Window().Width();
  EXPECT_TRUE(PumpUntil([&] { return run.main().Window().Height() == 400 * 15; }, 5000));
}

TEST_F(RealEvents, FramesNavigationsPassThroughTheUrlBoxWhichEndsOnThePage) {
  BrowserRun run(config, "about:blank");
  ASSERT_TRUE(WaitForLoaded(run, 1));
  std::vector<std::string> seen;
  run.main().cmbURL().SetText("");
  run.main().brwPage(1).Navigate2(server.Url("/frames.html"));
  ASSERT_TRUE(PumpUntil([&] {
    const std::string& text = run.main().cmbURL().Text();
    if (seen.empty() || seen.back() != text) seen.push_back(text);
    return run.main().Window().Caption() == "frames - Tabulon - " &&
           std::find(seen.begin(), seen.end(), server.Url("/two.html")) != seen.end();
  })) << "URL box went through "
      << ::testing::PrintToString(seen);
  ASSERT_TRUE(PumpUntil([&] {
    return !webkit_web_view_is_loading(
        static_cast<gtk::WebKitBrowser&>(run.main().brwPage(1)).View());
  }));
  ASSERT_TRUE(PumpUntil([&] { return run.main().cmbURL().Text() == server.Url("/frames.html"); }));
}

TEST_F(RealEvents, BackReturnsToTheFirstPageAndOnTheFirstPageSaysSo) {
  BrowserRun run(config, server.Url("/one.html"));
  ASSERT_TRUE(run.WaitForCaption("一つ目 - Tabulon - "));
  run.main().m_menu_Click(1);  // nothing earlier yet
  EXPECT_EQ(run.main().StaMsg().PanelText(1), "これ以上戻れません");
  run.main().brwPage(1).Navigate2(server.Url("/two.html"));
  ASSERT_TRUE(run.WaitForCaption("二つ目 - Tabulon - "));
  run.main().m_menu_Click(1);
  ASSERT_TRUE(run.WaitForCaption("一つ目 - Tabulon - "));
  EXPECT_EQ(run.main().cmbURL().Text(), server.Url("/one.html"));
  run.main().m_menu_Click(2);
  ASSERT_TRUE(run.WaitForCaption("二つ目 - Tabulon - "));
  run.main().m_menu_Click(2);
  EXPECT_EQ(run.main().StaMsg().PanelText(1), "これ以上進めません");
  EXPECT_TRUE(run.boxes.shown.empty());
}

}  // namespace
}  // namespace tabulon::integration
