#include <cstdlib>

#include "gtk/units.h"
#include "gtk/webkit/page_area.h"
#include "gtk/webkit/webkit_browser.h"
#include "harness.h"

namespace tabulon::integration {
namespace {

// The pages of the tabs next to the current one stay drawn beside the client
// area, out of sight, so that switching to them shows them at once.
class PaintedTabs : public ::testing::Test {
 protected:
  LoopbackServer server;
  std::string config = TempFolder();
  std::unique_ptr<BrowserRun> run;

  void SetUp() override {
    for (int i = 1; i <= 5; ++i) {
      server.Serve("/" + std::to_string(i) + ".html",
                   "<html><head><title>page " + std::to_string(i) +
                       "</title></head><body onkeydown=\"document.title='KEY '+event.key\">"
                       "<input id='box'></body></html>");
    }
    run = std::make_unique<BrowserRun>(config, server.Url("/1.html"));
    ASSERT_TRUE(run->WaitForCaption("page 1 - Tabulon - "));
    for (int i = 2; i <= 5; ++i) run->main().NewPage(server.Url("/" + std::to_string(i) + ".html"));
    ASSERT_TRUE(PumpUntil([&] { return run->main().lblTab(5).Caption() == "page 5"; }));
  }

  WebKitWebView* View(int tab) {
    return static_cast<gtk::WebKitBrowser&>(run->main().BrowserOfTab(tab)).View();
  }
  int X(int tab) {
    int x = 0;
    GtkWidget* view = GTK_WIDGET(View(tab));
    gtk_container_child_get(GTK_CONTAINER(gtk_widget_get_parent(view)), view, "x", &x, nullptr);
    return x;
  }
  bool Drawn(int tab) { return gtk_widget_get_visible(GTK_WIDGET(View(tab))); }
  // Kept drawn out of sight, at the size of the page on the screen.
  bool KeptOutOfSight(int tab) {
    GtkWidget* shown = GTK_WIDGET(View(run->state.CurTab));
    GtkWidget* kept = GTK_WIDGET(View(tab));
    return Drawn(tab) && X(tab) + gtk_widget_get_allocated_width(kept) < 0 &&
           gtk_widget_get_allocated_width(kept) == gtk_widget_get_allocated_width(shown) &&
           gtk_widget_get_allocated_height(kept) == gtk_widget_get_allocated_height(shown);
  }
  void SwitchTo(int tab) {
    run->main().lblTab_Click(tab);
    ASSERT_TRUE(WaitUntilSettled(run->toolkit->Window()));
  }
};

TEST_F(PaintedTabs, TheSwitchKeysNeighboursStayDrawnAndTheOthersAreHidden) {
  SwitchTo(2);
  EXPECT_TRUE(Drawn(2));
  EXPECT_EQ(X(2), gtk::TwipsToPixels(run->main().BrowserOfTab(2).Left()));
  EXPECT_TRUE(KeptOutOfSight(1));
  EXPECT_TRUE(KeptOutOfSight(3));
  EXPECT_FALSE(Drawn(4));
  EXPECT_FALSE(Drawn(5));

  // The strip wraps around: from the last tab, the first is a neighbour.
  SwitchTo(5);
  EXPECT_TRUE(KeptOutOfSight(4));
  EXPECT_TRUE(KeptOutOfSight(1));
  EXPECT_FALSE(Drawn(2));
  EXPECT_FALSE(Drawn(3));

  // Closing renumbers the tabs; the neighbours follow the numbers. Closing
  // tab 5 of 5 leaves tab 4 current, between tabs 3 and 1.
  run->main().CloseTab();
  ASSERT_TRUE(WaitUntilSettled(run->toolkit->Window()));
  ASSERT_EQ(run->state.CurTab, 4);
  EXPECT_TRUE(KeptOutOfSight(3));
  EXPECT_TRUE(KeptOutOfSight(1));
  EXPECT_FALSE(Drawn(2));
}

TEST_F(PaintedTabs, AResizedWindowResizesTheKeptPagesToo) {
  SwitchTo(3);
  run->toolkit->Window().resize(700, 500);
  ASSERT_TRUE(PumpUntil([&] { return run->main().Window().Width() == 700 * 15; }));
  ASSERT_TRUE(WaitUntilSettled(run->toolkit->Window()));
  EXPECT_TRUE(KeptOutOfSight(2));
  EXPECT_TRUE(KeptOutOfSight(4));
}

TEST_F(PaintedTabs, APageOutOfSightTakesNoTypingAndShowsNoFindBar) {
  SwitchTo(1);
  gtk_widget_grab_focus(GTK_WIDGET(View(1)));
  ASSERT_TRUE(gtk_widget_is_focus(GTK_WIDGET(View(1))));
  gtk::FindBar& finder = gtk::PageArea::Of(View(1))->Finder();
  finder.Open();
  ASSERT_TRUE(finder.OnScreen());

  SwitchTo(2);
  ASSERT_TRUE(KeptOutOfSight(1));
  EXPECT_FALSE(gtk_widget_is_focus(GTK_WIDGET(View(1))));
  EXPECT_TRUE(finder.IsOpen());
  EXPECT_FALSE(finder.OnScreen());

  // Back on its tab, the bar is there again.
  SwitchTo(1);
  EXPECT_TRUE(finder.OnScreen());
}

// Tabbing on from the URL box, a kept page out of sight is never reached.
TEST_F(PaintedTabs, KeysTypedAfterTabbingOutOfTheUrlBoxNeverReachAPageOutOfSight) {
  ASSERT_TRUE(PresentAndWaitForFocus(run->toolkit->Window()));
  SwitchTo(2);
  ASSERT_TRUE(KeptOutOfSight(1) && KeptOutOfSight(3));
  for (const char* keys : {"alt+d", "Tab", "Tab", "Tab", "q", "Return"}) {
    ASSERT_EQ(std::system((std::string("xdotool key --clearmodifiers ") + keys).c_str()), 0);
    ASSERT_TRUE(WaitUntilSettled(run->toolkit->Window()));
  }
  Pump(300);
  EXPECT_EQ(run->main().lblTab(1).Caption(), "page 1");
  EXPECT_EQ(run->main().lblTab(3).Caption(), "page 3");
  EXPECT_EQ(run->main().BrowserOfTab(1).LocationName(), "page 1");
  EXPECT_EQ(run->main().BrowserOfTab(3).LocationName(), "page 3");
}

}  // namespace
}  // namespace tabulon::integration
