#include <string>

#include "base/state.h"
#include "browsing/internet_settings.h"
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

// A frame from another site may not set cookies (127.0.0.1 and localhost are
// two sites to the engine) until the user allows it.
TEST(ThirdPartyCookies, AFrameFromAnotherSiteSetsNoneUntilAllowed) {
  LoopbackServer server;
  std::string frame = server.Url("/frame.html");
  frame.replace(frame.find("127.0.0.1"), 9, "localhost");
  server.Serve("/page.html", "<html><body><iframe src=\"" + frame + "\"></iframe></body></html>");
  server.Serve("/frame.html", "<script>document.cookie = 'third=1; path=/';</script>");
  server.Serve("/blank.html", "<html><body>blank</body></html>");
  server.Serve("/read.html",
               "<script>document.cookie = 'first=1; path=/';"
               "document.title = 'cookies:' + document.cookie;</script>");
  BrowserRun run(TempFolder());
  run.main().NewPage(server.Url("/page.html"));
  const int tab = run.state.TabCount;
  ASSERT_TRUE(PumpUntil([&] { return server.Hits("/frame.html") == 1; }));
  ASSERT_TRUE(WaitForLoaded(run, tab));

  std::string read = server.Url("/read.html");
  read.replace(read.find("127.0.0.1"), 9, "localhost");
  BrowserControl& page = run.main().BrowserOfTab(tab);
  page.Navigate2(read);
  ASSERT_TRUE(PumpUntil([&] { return page.LocationName().starts_with("cookies:"); }));
  EXPECT_EQ(page.LocationName(), "cookies:first=1");

  // Switched off in the options program: the engine is told as the next
  // page starts to load, and its processes follow within a load or two
  // (the page processes hear of it after the network process).
  ASSERT_TRUE(
      run.store->SaveSetting(kAppTitle, kInternetSection, kTrackingProtectionKey, "0").ok());
  page.Navigate2(server.Url("/blank.html"));
  ASSERT_TRUE(PumpUntil([&] { return server.Hits("/blank.html") == 1; }));
  ASSERT_TRUE(WaitForLoaded(run, tab));
  bool allowed = false;
  for (int round = 2; round <= 6 && !allowed; ++round) {
    page.Navigate2(server.Url("/page.html"));
    ASSERT_TRUE(PumpUntil([&] { return server.Hits("/frame.html") == round; }));
    ASSERT_TRUE(WaitForLoaded(run, tab));
    page.Navigate2(read);
    ASSERT_TRUE(PumpUntil([&] {
      return server.Hits("/read.html") == round && page.LocationName().starts_with("cookies:");
    })) << page.LocationName();
    allowed = page.LocationName().find("third=1") != std::string::npos;
  }
  EXPECT_TRUE(allowed) << page.LocationName();
}

// Media may start on its own when it makes no sound: of two short clips
// started by the page's script alone, only the muted one plays.
TEST(Autoplay, OnlyMutedMediaStartsWithoutTheUser) {
  LoopbackServer server;
  server.Serve(
      "/page.html",
      "<html><head><title>start</title><script>"
      "function clip() {"
      "  const n = 8000, b = new ArrayBuffer(44 + n * 2), v = new DataView(b);"
      "  const w = (o, s) => { for (let i = 0; i < s.length; i++) v.setUint8(o + i, "
      "s.charCodeAt(i)); };"
      "  w(0, 'RIFF'); v.setUint32(4, 36 + n * 2, true); w(8, 'WAVE'); w(12, 'fmt ');"
      "  v.setUint32(16, 16, true); v.setUint16(20, 1, true); v.setUint16(22, 1, true);"
      "  v.setUint32(24, 8000, true); v.setUint32(28, 16000, true); v.setUint16(32, 2, true);"
      "  v.setUint16(34, 16, true); w(36, 'data'); v.setUint32(40, n * 2, true);"
      "  for (let i = 0; i < n; i++) v.setInt16(44 + i * 2, Math.sin(i / 5) * 8000, true);"
      "  return URL.createObjectURL(new Blob([b], {type: 'audio/wav'}));"
      "}"
      "function start(muted) {"
      "  const a = new Audio(clip()); a.muted = muted;"
      "  return a.play().then(() => 'played', e => e.name);"
      "}"
      "Promise.all([start(false), start(true)]).then(r => document.title = r.join(','));"
      "</script></head><body>media</body></html>");
  BrowserRun run(TempFolder());
  run.main().NewPage(server.Url("/page.html"));
  BrowserControl& page = run.main().BrowserOfTab(run.state.TabCount);
  ASSERT_TRUE(PumpUntil([&] { return page.LocationName().find(',') != std::string::npos; }));
  EXPECT_EQ(page.LocationName(), "NotAllowedError,played");
}

}  // namespace
}  // namespace tabulon::integration
