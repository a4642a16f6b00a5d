#include <cstdlib>

#include "harness.h"

namespace tabulon::integration {
namespace {

void Keys(const std::string& keys) {
  std::string command = "xdotool key --clearmodifiers " + keys;
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

TEST(HistoryWindow, CtrlHListsTheVisitedPagesTypingFiltersThemEnterOpensOne) {
  LoopbackServer server;
  server.Serve("/apple", "<html><head><title>りんごの話</title></head><body>a</body></html>");
  server.Serve("/banana", "<html><head><title>Banana Bread</title></head><body>b</body></html>");
  BrowserRun run(TempFolder(), server.Url("/apple"));
  ASSERT_TRUE(run.WaitForCaption("りんごの話 - Tabulon - "));
  run.main().BrowserOfTab(run.state.CurTab).Navigate2(server.Url("/banana"));
  ASSERT_TRUE(run.WaitForCaption("Banana Bread - Tabulon - "));

  ASSERT_TRUE(PresentAndWaitForFocus(run.toolkit->Window()));
  Keys("ctrl+h");
  Gtk::Window& window = run.history_window->Window();
  ASSERT_TRUE(PumpUntil([&] { return window.get_visible(); }));
  EXPECT_NE(window.get_title().raw().find("履歴"), std::string::npos);
  // Newest first; the titles arrive after the pages.
  EXPECT_EQ(run.history_window->ListedAddresses(),
            (std::vector<std::string>{server.Url("/banana"), server.Url("/apple")}));
  EXPECT_EQ(run.history->List("りんご").size(), 1u);

  ASSERT_TRUE(PresentAndWaitForFocus(window));
  ASSERT_TRUE(WaitForTextFocus(window));
  ASSERT_EQ(window.get_focus(), &run.history_window->SearchBox());
  Keys("b r e a d");
  ASSERT_TRUE(PumpUntil([&] { return run.history_window->SearchBox().get_text() == "bread"; }));
  EXPECT_TRUE(PumpUntil([&] {
    return run.history_window->ListedAddresses() == std::vector<std::string>{server.Url("/banana")};
  }));
  // Enter opens the page found in a new tab.
  Keys("Return");
  ASSERT_TRUE(PumpUntil([&] { return run.state.TabCount == 2; }));
  EXPECT_TRUE(
      PumpUntil([&] { return run.main().BrowserOfTab(2).LocationURL() == server.Url("/banana"); }));
}

// The pages of an earlier run are offered in the URL box as the user types.
TEST(UrlBoxSuggestions, APageOfTheLastRunIsOfferedAndDownEnterLoadsIt) {
  LoopbackServer server;
  server.Serve("/apple", "<html><head><title>Pie の話</title></head><body>a</body></html>");
  server.Serve("/banana", "<html><head><title>Banana Bread</title></head><body>b</body></html>");
  const std::string data = TempFolder();
  {
    BrowserRun run(TempFolder(), server.Url("/apple"), "", data);
    ASSERT_TRUE(run.WaitForCaption("Pie の話 - Tabulon - "));
    run.main().BrowserOfTab(1).Navigate2(server.Url("/banana"));
    ASSERT_TRUE(run.WaitForCaption("Banana Bread - Tabulon - "));
    run.main().Form_Unload();
  }
  BrowserRun run(TempFolder(), server.Url("/banana"), "", data);
  ASSERT_TRUE(run.WaitForCaption("Banana Bread - Tabulon - "));
  ASSERT_TRUE(PresentAndWaitForFocus(run.toolkit->Window()));
  Keys("alt+d");
  ASSERT_TRUE(PumpUntil([&] { return run.toolkit->Window().get_focus() != nullptr; }));
  // A word of the title, not of the address.
  Keys("p i e");
  const DropList& list = run.main().lstSuggest();
  ASSERT_TRUE(PumpUntil([&] { return run.main().cmbURL().Text() == "pie" && list.Visible(); }));
  ASSERT_EQ(list.Rows().size(), 1u);
  EXPECT_EQ(list.Rows()[0].title, "Pie の話");
  Keys("Down Return");
  EXPECT_TRUE(run.WaitForCaption("Pie の話 - Tabulon - "));
  EXPECT_FALSE(list.Visible());
}

}  // namespace
}  // namespace tabulon::integration
