// A private window keeps nothing of its browsing; a normal one keeps it.
#include <filesystem>

#include "harness.h"

namespace tabulon::integration {
namespace {

TEST(PrivateWindow, KeepsNoCookieHistoryOrSessionWhereANormalWindowKeepsItsCookie) {
  LoopbackServer server;
  // Sets the cookie its query names and shows every cookie in the title.
  server.Serve("/set",
               "<script>document.cookie = location.search.slice(1) + '=1; max-age=3600';"
               "document.title = 'cookies:' + document.cookie;</script>");
  const std::string data = TempFolder();
  {
    BrowserRun run(TempFolder(), server.Url("/set?secret"), "", data, true);
    ASSERT_TRUE(run.WaitForCaption("cookies:secret=1 - Tabulon - プライベート"))
        << run.main().Window().Caption();
    run.main().Form_Unload();
    run.app->Finish();
  }
  EXPECT_TRUE(std::filesystem::is_empty(data));
  {
    BrowserRun run(TempFolder(), server.Url("/set?kept"), "", data);
    ASSERT_TRUE(run.WaitForCaption("cookies:kept=1 - Tabulon - ")) << run.main().Window().Caption();
    run.main().Form_Unload();
    run.app->Finish();
  }
  BrowserRun run(TempFolder(), server.Url("/set?again"), "", data);
  EXPECT_TRUE(run.WaitForCaption("cookies:kept=1; again=1 - Tabulon - "))
      << run.main().Window().Caption();
  std::vector<std::string> visited;
  for (const HistoryEntry& entry : run.history->List("")) visited.push_back(entry.address);
  EXPECT_EQ(visited, (std::vector<std::string>{server.Url("/set?again"), server.Url("/set?kept")}));
  run.app->Finish();
}

}  // namespace
}  // namespace tabulon::integration
