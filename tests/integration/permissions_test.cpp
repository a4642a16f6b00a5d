#include <string>

#include "browsing/site_permissions.h"
#include "harness.h"

namespace tabulon::integration {
namespace {

// A page asking to show notifications, on the real engine: the bar asks,
// 拒否 reaches the page, and the page loaded again knows its answer without
// asking.
TEST(Permissions, RefusedNotificationsReachThePageAndAreNotAskedAgain) {
  LoopbackServer server;
  // The engine asks only for a page acting on the user's gesture, which a
  // script run from the browser counts as.
  server.Serve("/page.html",
               "<html><head><title>start</title><script>"
               "document.title = 'known:' + Notification.permission;"
               "function ask() {"
               "  Notification.requestPermission().then(p => document.title = 'answer:' + p);"
               "}"
               "</script></head><body>notifications</body></html>");
  BrowserRun run(TempFolder());
  run.main().NewPage(server.Url("/page.html"));
  const int tab = run.state.TabCount;
  BrowserControl& page = run.main().BrowserOfTab(tab);
  Gtk::Window& window = run.toolkit->Window();

  ASSERT_TRUE(PumpUntil([&] { return page.LocationName() == "known:default"; }));
  page.RunBookmarklet("ask()");
  Gtk::Button* refuse = nullptr;
  ASSERT_TRUE(PumpUntil([&] { return (refuse = FindButton(window, "拒否")) != nullptr; }))
      << page.LocationName();
  EXPECT_NE(FindButton(window, "許可"), nullptr);
  EXPECT_EQ(page.LocationName(), "known:default");
  refuse->clicked();
  ASSERT_TRUE(PumpUntil([&] { return page.LocationName() == "answer:denied"; }));
  EXPECT_EQ(FindButton(window, "拒否"), nullptr);
  EXPECT_EQ(RememberedAnswer(*run.store, PermissionSiteOf(server.Url("/")),
                             PermissionKind::kNotifications),
            false);

  page.Refresh2();
  ASSERT_TRUE(PumpUntil([&] { return server.Hits("/page.html") == 2; }));
  ASSERT_TRUE(PumpUntil([&] { return page.LocationName() == "known:denied"; }));
  ASSERT_TRUE(WaitForLoaded(run, tab));
  EXPECT_EQ(FindButton(window, "拒否"), nullptr);
}

}  // namespace
}  // namespace tabulon::integration
