#include <sqlite3.h>

#include <cstdlib>
#include <filesystem>
#include <future>
#include <thread>

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

// The number of rows of the file with the address in it, as another program
// sees them; -1 while it cannot be read.
int RowsFor(const std::string& path, const std::string& like) {
  sqlite3* db = nullptr;
  sqlite3_stmt* count = nullptr;
  int rows = -1;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK &&
      sqlite3_prepare_v2(db, "SELECT count(*) FROM pages WHERE address LIKE ?", -1, &count,
                         nullptr) == SQLITE_OK &&
      sqlite3_bind_text(count, 1, like.c_str(), -1, SQLITE_TRANSIENT) == SQLITE_OK &&
      sqlite3_step(count) == SQLITE_ROW) {
    rows = sqlite3_column_int(count, 0);
  }
  sqlite3_finalize(count);
  sqlite3_close(db);
  return rows;
}

// Another program (a connection of its own) in a long transaction on the
// history while the browser starts and visits a page.
TEST(HistoryFile, AHistoryHeldLockedAtStartKeepsEveryRowAndIsNotRenamed) {
  LoopbackServer server;
  server.Serve("/held", "<html><head><title>待った話</title></head><body>h</body></html>");
  const std::string data = TempFolder();
  const std::string path = HistoryFilePath(data);
  {
    HistoryStore earlier(path);
    for (int i = 0; i < 1000; ++i) earlier.AddVisit("https://p" + std::to_string(i) + ".example/");
  }
  std::promise<void> held, release;
  std::thread holder([&] {
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    sqlite3_exec(db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr);
    held.set_value();
    release.get_future().wait();
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(db);
  });
  held.get_future().wait();
  ASSERT_EQ(RowsFor(path, "%"), -1) << "the file is held";

  BrowserRun run(TempFolder(), server.Url("/held"), "", data);
  const bool visited = run.WaitForCaption("待った話 - Tabulon - ") &&
                       PumpUntil([&] { return run.history->List("待った話").size() == 1; });
  const bool set_aside = std::filesystem::exists(path + ".broken");
  release.set_value();
  holder.join();
  ASSERT_TRUE(visited);
  EXPECT_FALSE(set_aside);
  EXPECT_TRUE(PumpUntil([&] { return RowsFor(path, "%") == 1001; }));
  EXPECT_EQ(RowsFor(path, server.Url("/held")), 1);
  EXPECT_EQ(run.history->Size(), 1001u);
  EXPECT_FALSE(std::filesystem::exists(path + ".broken"));
}

}  // namespace
}  // namespace tabulon::integration
