#include <fstream>
#include <sstream>

#include "gtk/webkit/webkit_browser.h"
#include "harness.h"

namespace tabulon::integration {
namespace {

const char* kJapanesePage =
    "<html><head><meta charset='utf-8'><title>日本語のページ</title></head>"
    "<body><h1>こんにちは</h1><a id='pop' href='/second.html' target='_blank'>別窓</a>"
    "</body></html>";

class RealWindow : public ::testing::Test {
 protected:
  LoopbackServer server;
  std::string config = TempFolder();
  void SetUp() override {
    server.Serve("/ja.html", kJapanesePage);
    server.Serve("/second.html", "<html><head><title>second</title></head><body>2</body></html>");
  }
};

TEST_F(RealWindow, CommandLineAddressShowsInTheFirstTabCurrentYellowBoldHalfWide) {
  BrowserRun run(config, server.Url("/ja.html"));
  ASSERT_TRUE(run.WaitForCaption("日本語のページ - Tabulon - "));
  ASSERT_TRUE(PumpUntil([&] { return run.main().lblTab(1).Caption() == "日本語のページ"; }));
  EXPECT_EQ(run.state.TabCount, 1);
  EXPECT_EQ(run.state.CurTab, 1);
  EXPECT_EQ(run.main().brwPage(1).LocationURL(), server.Url("/ja.html"));
  EXPECT_EQ(run.main().lblTab(1).ToolTipText(), "日本語のページ");
  EXPECT_EQ(run.main().lblTab(1).BackColor(), kCurrentTabColour);
  EXPECT_TRUE(run.main().lblTab(1).FontBold());
  EXPECT_EQ(run.main().lblTab(1).Width(), run.main().Window().Width() / 2);
  EXPECT_EQ(run.main().StaMsg().PanelText(2), "100%");
  EXPECT_EQ(run.main().cmbURL().Text(), server.Url("/ja.html"));
  // The page fills the client area below both bars, above the status bar.
  const Control& page = run.main().brwPage(1);
  EXPECT_EQ(page.Top(), 570);
  EXPECT_GT(page.Height(), 0);
  EXPECT_EQ(page.Height(), run.main().Window().ScaleHeight() - 570 - 270);
  EXPECT_TRUE(run.boxes.shown.empty());
}

TEST_F(RealWindow, EmptyCommandLineShowsTheBuiltInStartPage) {
  BrowserRun run(config);
  run.state.UrlList[1].Url = server.Url("/second.html");
  ASSERT_TRUE(run.WaitForCaption("Tabulon - Tabulon - "));
  EXPECT_EQ(run.main().brwPage(1).LocationURL(), kHomeUrl);
}

TEST_F(RealWindow, LinkToANewWindowOpensABackgroundTab) {
  BrowserRun run(config, server.Url("/ja.html"));
  ASSERT_TRUE(run.WaitForCaption("日本語のページ - Tabulon - "));
  // What the pointer resting on the link would have put there.
  run.main().brwPage_StatusTextChange(1, server.Url("/second.html"));
  auto* view = static_cast<gtk::WebKitBrowser&>(run.main().brwPage(1)).View();
  webkit_web_view_evaluate_javascript(view, "document.getElementById('pop').click()", -1, nullptr,
                                      nullptr, nullptr, nullptr, nullptr);
  ASSERT_TRUE(PumpUntil([&] { return run.state.TabCount == 2; }));
  ASSERT_TRUE(PumpUntil([&] { return run.main().lblTab(2).Caption() == "second"; }));
  EXPECT_EQ(run.state.CurTab, 1);
  EXPECT_FALSE(run.main().brwPage(2).Visible());
}

TEST_F(RealWindow, ClosingStoresThePlacementAndTheNextStartRestoresIt) {
  int left = 0, top = 0, width = 0, height = 0;
  {
    BrowserRun run(config, server.Url("/ja.html"));
    ASSERT_TRUE(run.WaitForCaption("日本語のページ - Tabulon - "));
    run.toolkit->Window().move(150, 120);
    run.toolkit->Window().resize(640, 480);
    ASSERT_TRUE(PumpUntil([&] { return run.main().Window().Left() == 150 * 15; }));
    ASSERT_TRUE(PumpUntil([&] { return run.main().Window().Width() == 640 * 15; }));
    left = run.main().Window().Left();
    top = run.main().Window().Top();
    width = run.main().Window().Width();
    height = run.main().Window().Height();
    run.main().CloseRequested();
    EXPECT_TRUE(run.ended);
  }
  std::ifstream file(config + "/Tabulon/settings.conf");
  std::stringstream text;
  text << file.rdbuf();
  EXPECT_NE(text.str().find("MainLeft=" + std::to_string(left)), std::string::npos) << text.str();
  EXPECT_NE(text.str().find("MainWidth=" + std::to_string(width)), std::string::npos);

  BrowserRun again(config, server.Url("/ja.html"));
  ASSERT_TRUE(again.WaitForCaption("日本語のページ - Tabulon - "));
  PumpUntil([&] {
    const Form& w = again.main().Window();
    return w.Left() == left && w.Top() == top && w.Width() == width && w.Height() == height;
  });
  EXPECT_EQ(again.main().Window().Left(), left);
  EXPECT_EQ(again.main().Window().Top(), top);
  EXPECT_EQ(again.main().Window().Width(), width);
  EXPECT_EQ(again.main().Window().Height(), height);
  int x = 0, y = 0;
  again.toolkit->Window().get_position(x, y);
  EXPECT_EQ(x * 15, left);
  EXPECT_EQ(y * 15, top);
}

}  // namespace
}  // namespace tabulon::integration
