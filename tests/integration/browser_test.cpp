#include <fstream>
#include <sstream>

#include "gtk/units.h"
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

// The tool tip of the label GTK shows with this caption in the window.
std::string ToolTipOfLabel(GtkWidget* widget, const std::string& caption) {
  if (GTK_IS_LABEL(widget) && gtk_widget_get_visible(widget) &&
      caption == gtk_label_get_text(GTK_LABEL(widget))) {
    gchar* tip = gtk_widget_get_tooltip_text(gtk_widget_get_parent(widget));
    std::string text = tip ? tip : "(none)";
    g_free(tip);
    return text;
  }
  std::string found;
  if (GTK_IS_CONTAINER(widget)) {
    GList* children = gtk_container_get_children(GTK_CONTAINER(widget));
    for (GList* l = children; l && found.empty(); l = l->next) {
      found = ToolTipOfLabel(static_cast<GtkWidget*>(l->data), caption);
    }
    g_list_free(children);
  }
  return found;
}

TEST_F(RealWindow, ClosingShiftsToolTipsWithCaptionsAndAnEmptyStripShowsNoLabel) {
  BrowserRun run(config, server.Url("/ja.html"));
  ASSERT_TRUE(run.WaitForCaption("日本語のページ - Tabulon - "));
  run.main().NewPage(server.Url("/second.html"));
  ASSERT_TRUE(PumpUntil([&] { return run.main().lblTab(2).Caption() == "second"; }));
  Gtk::Window& window = run.toolkit->Window();
  ASSERT_TRUE(PresentAndWaitForFocus(window));
  ASSERT_EQ(std::system("xdotool key --clearmodifiers ctrl+w"), 0);
  ASSERT_TRUE(PumpUntil([&] { return run.state.TabCount == 1; }));
  EXPECT_EQ(ToolTipOfLabel(GTK_WIDGET(window.gobj()), "second"), "second");

  Gtk::MenuItem* all_close = FindMenuItem(window, "全タブ閉じる(_C)");
  ASSERT_NE(all_close, nullptr);
  all_close->activate();
  ASSERT_EQ(run.state.TabCount, 0);
  ASSERT_TRUE(WaitUntilSettled(window));
  // The strip's left end, where the label the tabs are made from sits just
  // out of sight.
  GtkWidget* client = gtk_widget_get_parent(
      GTK_WIDGET(static_cast<gtk::WebKitBrowser&>(run.main().brwPage(0)).View()));
  int x = 0, y = 0;
  ScreenOrigin(client, x, y);
  y += gtk::TwipsToPixels(run.main().picTab().Top());
  const unsigned label_rgb = ((kOtherTabColour & 0xFF) << 16) | (kOtherTabColour & 0xFF00) |
                             ((kOtherTabColour >> 16) & 0xFF);
  EXPECT_EQ(ShareOfColour(x, y, 10, gtk::TwipsToPixels(run.main().picTab().Height()), label_rgb),
            0.0);
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
