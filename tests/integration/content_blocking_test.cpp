#include <fstream>
#include <string>

#include "browsing/content_filter.h"
#include "gtk/webkit/webkit_browser.h"
#include "harness.h"

namespace tabulon::integration {
namespace {

// A page whose script the filter list blocks, on the real engine: the server
// never sees the script asked for until the site is let through, and a tab
// on another site keeps blocking.
TEST(ContentBlocking, BlockedScriptIsNeverRequestedUntilTheSiteIsLetThrough) {
  LoopbackServer server;
  server.Serve("/page.html",
               "<html><head><title>page</title><script src=\"/ad.js\"></script></head>"
               "<body>page</body></html>");
  server.Serve("/ad.js", "document.title = 'ad';", "text/javascript");

  ContentFilterConverter converter;
  converter.AddList("! a list of one rule\n/ad.js^$script\n");
  const std::string rules = TempFolder() + "/rules.json";
  std::ofstream(rules) << converter.Json();

  BrowserRun run(TempFolder());
  bool ready = false, ok = false;
  run.engine->Blocker().Start(rules, [&](bool compiled) {
    ready = true;
    ok = compiled;
  });
  ASSERT_TRUE(PumpUntil([&] { return ready; }, 60000));
  ASSERT_TRUE(ok);

  run.main().NewPage(server.Url("/page.html"));
  const int tab = run.state.TabCount;
  ASSERT_TRUE(PumpUntil([&] { return server.Hits("/page.html") == 1; }));
  ASSERT_TRUE(WaitForLoaded(run, tab));
  Pump(200);
  EXPECT_EQ(server.Hits("/ad.js"), 0);
  EXPECT_TRUE(run.main().Menu("m_page_block").Checked());

  // Let through: the page loads again, with its script.
  run.main().lblTab_Click(tab);
  run.main().m_page_block_Click();
  EXPECT_FALSE(run.main().Menu("m_page_block").Checked());
  ASSERT_TRUE(PumpUntil([&] { return server.Hits("/page.html") == 2; }));
  ASSERT_TRUE(PumpUntil([&] { return server.Hits("/ad.js") == 1; }));

  // The same server under another name is another site, still blocked.
  std::string other = server.Url("/page.html");
  other.replace(other.find("127.0.0.1"), 9, "localhost");
  run.main().NewPage(other);
  ASSERT_TRUE(PumpUntil([&] { return server.Hits("/page.html") == 3; }));
  ASSERT_TRUE(WaitForLoaded(run, run.state.TabCount));
  Pump(200);
  EXPECT_EQ(server.Hits("/ad.js"), 1);
  run.main().lblTab_Click(run.state.TabCount);
  EXPECT_TRUE(run.main().Menu("m_page_block").Checked());
}

}  // namespace
}  // namespace tabulon::integration
