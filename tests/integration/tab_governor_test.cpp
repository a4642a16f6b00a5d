// Tabs left alone give their page back to the engine and load it again
// when shown.
#include <unistd.h>

#include "browsing/memory_use.h"
#include "harness.h"

namespace tabulon::integration {
namespace {

TEST(TabGovernor, ADiscardedTabLoadsAgainWhenShownWithItsHistory) {
  LoopbackServer server;
  for (const char* page : {"a1", "a2", "b"}) {
    server.Serve(std::string("/") + page, std::string("<title>") + page + "</title>" + page);
  }
  BrowserRun run(TempFolder(), server.Url("/b"));
  ASSERT_TRUE(run.WaitForCaption("b - Tabulon - "));
  std::int64_t now = 0;
  run.main().StartTabGovernor({[&now] { return now; }, [] { return false; }});
  ASSERT_TRUE(run.store->SaveSetting("Tabulon", "Internet", "DiscardAfterMinutes", "1").ok());
  // Tab 3 has a history; tabs 2 and 4 are the current tab's neighbours.
  run.main().NewTab();
  run.main().NewPage(server.Url("/a1"));
  run.main().NewTab();
  BrowserControl& tab3 = run.main().BrowserOfTab(3);
  ASSERT_TRUE(PumpUntil([&] { return run.main().lblTab(3).Caption() == "a1"; }));
  tab3.Navigate2(server.Url("/a2"));
  ASSERT_TRUE(PumpUntil([&] { return run.main().lblTab(3).Caption() == "a2"; }));
  ASSERT_TRUE(WaitForLoaded(run, 3));

  run.main().GovernTabs();
  now = 60 * 1000;
  run.main().GovernTabs();
  WebKitWebView* view = static_cast<gtk::WebKitBrowser&>(tab3).View();
  // The page gives way to an empty one; the tab keeps its address and title.
  ASSERT_TRUE(PumpUntil([&] {
    const char* uri = webkit_web_view_get_uri(view);
    return uri && std::string(uri) == "about:blank" && !webkit_web_view_is_loading(view);
  }));
  EXPECT_EQ(tab3.LocationURL(), server.Url("/a2"));
  EXPECT_EQ(run.main().lblTab(3).Caption(), "a2");
  EXPECT_EQ(run.main().lblTab(3).ForeColor(), kSleepingTabText);
  // The empty page's events reached nobody.
  EXPECT_EQ(run.main().Window().Caption(), "a2 - Tabulon - ");

  run.main().lblTab_Click(3);
  // Back in the engine (from its cache, as a page gone back to is).
  ASSERT_TRUE(PumpUntil([&] {
    const char* uri = webkit_web_view_get_uri(view);
    return uri && std::string(uri) == server.Url("/a2") && !webkit_web_view_is_loading(view);
  }));
  EXPECT_EQ(run.main().lblTab(3).ForeColor(), 0u);
  run.main().m_menu_Click(1);  // 戻る
  EXPECT_TRUE(run.WaitForCaption("a1 - Tabulon - "));
  // The engine's processes count in what the browser uses.
  EXPECT_GT(ProcessTreePssKb(getpid()), 0);
}

}  // namespace
}  // namespace tabulon::integration
