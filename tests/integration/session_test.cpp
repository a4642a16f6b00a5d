// Tabs that survive a killed browser, on the real window and engine.
#include <cstdlib>
#include <filesystem>

#include "browsing/saved_session.h"
#include "harness.h"
#include "settings/file_io.h"

namespace tabulon::integration {
namespace {

bool RestoreBarShown(BrowserRun& run) {
  Gtk::Button* restore = FindButton(run.toolkit->Window(), "タブを復元");
  return restore && restore->get_parent()->get_parent()->is_visible();
}

std::size_t SavedTitledTabs(const std::string& folder) {
  std::string bytes;
  if (!ReadWholeFile(folder + "/session", bytes).ok()) return 0;
  const std::optional<SavedSession> session = DecodeSession(bytes);
  if (!session) return 0;
  std::size_t titled = 0;
  for (const SavedTab& tab : session->tabs) titled += tab.title.empty() ? 0 : 1;
  return titled;
}

class Session : public ::testing::Test {
 protected:
  LoopbackServer server;
  std::string config = TempFolder();
  std::string data = TempFolder();
  void SetUp() override {
    for (const char* page : {"a1", "a2", "b", "c", "d"}) {
      server.Serve(std::string("/") + page, std::string("<title>") + page + "</title>" + page);
    }
  }
};

TEST_F(Session, AfterAKillTheBarRestoresTabsThatLoadWhenShownWithTheirHistory) {
  {
    BrowserRun killed(config, server.Url("/a1"), "", data);
    ASSERT_TRUE(killed.WaitForCaption("a1 - Tabulon - "));
    killed.main().BrowserOfTab(1).Navigate2(server.Url("/a2"));
    ASSERT_TRUE(killed.WaitForCaption("a2 - Tabulon - "));
    for (const char* page : {"/b", "/c", "/d"}) killed.main().NewPage(server.Url(page));
    ASSERT_TRUE(PumpUntil([&] { return SavedTitledTabs(data) == 4; }));
  }  // gone without a normal quit, as after kill -9

  BrowserRun run(config, server.Url("/a1"), "", data);
  ASSERT_TRUE(run.WaitForCaption("a1 - Tabulon - "));
  ASSERT_TRUE(PumpUntil([&] { return RestoreBarShown(run); }));
  ASSERT_TRUE(PresentAndWaitForFocus(run.toolkit->Window()));
  ASSERT_TRUE(WaitUntilSettled(run.toolkit->Window()));
  int x = 0, y = 0;
  ScreenOrigin(GTK_WIDGET(FindButton(run.toolkit->Window(), "タブを復元")->gobj()), x, y);
  const std::string click =
      "xdotool mousemove " + std::to_string(x + 8) + " " + std::to_string(y + 8) + " click 1";
  ASSERT_EQ(std::system(click.c_str()), 0);
  ASSERT_TRUE(PumpUntil([&] { return run.state.TabCount == 5; }));
  EXPECT_FALSE(RestoreBarShown(run));
  const char* titles[] = {"a2", "b", "c", "d"};
  for (int tab = 2; tab <= 5; ++tab) EXPECT_EQ(run.main().lblTab(tab).Caption(), titles[tab - 2]);
  // Nothing is asked of the server until a tab is shown.
  const int d_hits = server.Hits("/d");
  Pump(500);
  EXPECT_EQ(server.Hits("/d"), d_hits);
  run.main().lblTab_Click(5);
  EXPECT_TRUE(PumpUntil([&] { return server.Hits("/d") == d_hits + 1; }));
  run.main().lblTab_Click(2);
  ASSERT_TRUE(run.WaitForCaption("a2 - Tabulon - "));
  run.main().m_menu_Click(1);  // 戻る
  EXPECT_TRUE(run.WaitForCaption("a1 - Tabulon - "));

  run.app->Finish();  // a normal quit
}

TEST_F(Session, ANormalQuitOrADamagedFileShowsNoBar) {
  {
    BrowserRun quit(config, server.Url("/b"), "", data);
    ASSERT_TRUE(quit.WaitForCaption("b - Tabulon - "));
    ASSERT_TRUE(PumpUntil([&] { return SavedTitledTabs(data) == 1; }));
    quit.app->Finish();
  }
  {
    BrowserRun next(config, server.Url("/c"), "", data);
    ASSERT_TRUE(next.WaitForCaption("c - Tabulon - "));
    EXPECT_FALSE(RestoreBarShown(next));
  }
  std::filesystem::resize_file(data + "/session", 40);  // cut short
  BrowserRun damaged(config, server.Url("/d"), "", data);
  ASSERT_TRUE(damaged.WaitForCaption("d - Tabulon - "));
  EXPECT_FALSE(RestoreBarShown(damaged));
  EXPECT_TRUE(std::filesystem::exists(data + "/session.broken"));
}

TEST_F(Session, TabsThatCannotBeSavedAreSaidInTheWindow) {
  std::filesystem::create_directories(data);
  std::filesystem::create_symlink(data + "/gone/session", data + "/session");
  BrowserRun run(config, server.Url("/b"), "", data);
  ASSERT_TRUE(run.WaitForCaption("b - Tabulon - "));
  const std::string said = "開いているタブを保存できません（フォルダーがありません）。";
  EXPECT_TRUE(PumpUntil([&] { return FindLabel(run.toolkit->Window(), said); }));
  EXPECT_EQ(run.problems.Causes(), std::vector<std::string>{"tabs-not-saved"});
}

}  // namespace
}  // namespace tabulon::integration
