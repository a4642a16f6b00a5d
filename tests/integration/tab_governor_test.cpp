// Tabs left alone give their page back to the engine and load it again
// when shown.
#include <unistd.h>

#include "browsing/memory_use.h"
#include "harness.h"

namespace tabulon::integration {
namespace {

// The tab with a history is the only one of its site: its process ends
// with the discard, and comes back when the tab is shown.
TEST(TabGovernor, ADiscardedTabLoadsAgainWhenShownWithItsHistory) {
  LoopbackServer server;
  LoopbackServer other_site("127.0.0.2");
  server.Serve("/b", "<title>b</title>b");
  for (const char* page : {"a1", "a2"}) {
    other_site.Serve(std::string("/") + page, std::string("<title>") + page + "</title>" + page);
  }
  BrowserRun run(TempFolder(), server.Url("/b"));
  ASSERT_TRUE(run.WaitForCaption("b - Tabulon - "));
  std::int64_t now = 0;
  run.main().StartTabGovernor({[&now] { return now; }, [] { return false; }});
  ASSERT_TRUE(run.store->SaveSetting("Tabulon", "Internet", "DiscardAfterMinutes", "1").ok());
  // Tab 3 has a history; tabs 2 and 4 are the current tab's neighbours,
  // in the first site's process.
  run.main().NewTab();
  run.main().NewPage(other_site.Url("/a1"));
  run.main().NewPage(server.Url("/b"));
  BrowserControl& tab3 = run.main().BrowserOfTab(3);
  ASSERT_TRUE(PumpUntil([&] { return run.main().lblTab(3).Caption() == "a1"; }));
  tab3.Navigate2(other_site.Url("/a2"));
  ASSERT_TRUE(PumpUntil([&] { return run.main().lblTab(3).Caption() == "a2"; }));
  ASSERT_TRUE(WaitForLoaded(run, 3));

  const std::size_t processes = WebProcesses().size();

  run.main().GovernTabs();
  now = 60 * 1000;
  run.main().GovernTabs();
  // The page and its process go; the tab keeps its address and title.
  EXPECT_TRUE(PumpUntil([&] { return WebProcesses().size() == processes - 1; }));
  EXPECT_EQ(tab3.LocationURL(), other_site.Url("/a2"));
  EXPECT_EQ(run.main().lblTab(3).Caption(), "a2");
  EXPECT_EQ(run.main().lblTab(3).ForeColor(), kSleepingTabText);
  EXPECT_EQ(run.main().Window().Caption(), "a2 - Tabulon - ");
  const int hits = other_site.Hits("/a2");

  run.main().lblTab_Click(3);
  ASSERT_TRUE(PumpUntil([&] {
    WebKitWebView* view = static_cast<gtk::WebKitBrowser&>(tab3).View();
    const char* uri = webkit_web_view_get_uri(view);
    return uri && std::string(uri) == other_site.Url("/a2") && !webkit_web_view_is_loading(view);
  }));
  EXPECT_EQ(other_site.Hits("/a2"), hits + 1);
  EXPECT_EQ(WebProcesses().size(), processes);
  EXPECT_EQ(run.main().lblTab(3).ForeColor(), 0u);
  run.main().m_menu_Click(1);  // 戻る
  EXPECT_TRUE(run.WaitForCaption("a1 - Tabulon - "));
  // The engine's processes count in what the browser uses.
  EXPECT_GT(ProcessTreePssKb(getpid()), 0);
}

}  // namespace
}  // namespace tabulon::integration
