// Pages that try what a page must not do.
#include <gtk/gtkunixprint.h>

#include <cstdlib>
#include <fstream>

#include "gtk/webkit/page_area.h"
#include "gtk/webkit/webkit_browser.h"
#include "harness.h"

namespace tabulon::integration {
namespace {

std::string Page(const std::string& title, const std::string& body) {
  return "<html><head><meta charset='utf-8'><title>" + title + "</title></head><body>" + body +
         "</body></html>";
}

// A script that tries to read an address and puts the outcome in the title.
std::string TriesToRead(const std::string& address) {
  return Page("trying", "<script>fetch('" + address +
                            "').then(r => r.text()).then(t => { document.title = 'READ ' + "
                            "t.length; }, () => { document.title = 'blocked'; });</script>");
}

class HostilePages : public ::testing::Test {
 protected:
  LoopbackServer server;
  std::string config = TempFolder();
};

// A page that loops for ever 300 ms after its load.
const std::string kLoopingPage =
    Page("looping", "<script>setTimeout(() => { for (;;) {} }, 300);</script>");

// A looping page on 127.0.0.2, and two quiet pages on the fixture's site.
struct TwoSites {
  LoopbackServer looping_site{"127.0.0.2"};
  explicit TwoSites(LoopbackServer& server) {
    looping_site.Serve("/loop", kLoopingPage);
    server.Serve("/steady", Page("steady", "s"));
    server.Serve("/next", Page("next", "n"));
  }
};

TEST_F(HostilePages, CannotReadTheBuiltInPages) {
  server.Serve("/start", TriesToRead("tabulon://start/"));
  server.Serve("/search", TriesToRead("tabulon://search/"));
  BrowserRun run(config, server.Url("/start"));
  EXPECT_TRUE(run.WaitForCaption("blocked - Tabulon - ")) << run.main().Window().Caption();
  run.main().brwPage(1).Navigate2(server.Url("/search"));
  EXPECT_TRUE(run.WaitForCaption("blocked - Tabulon - ")) << run.main().Window().Caption();
}

TEST_F(HostilePages, CannotReadLocalFiles) {
  const std::string secret = TempFolder() + "/secret.txt";
  std::ofstream(secret) << "secret";
  server.Serve("/file", TriesToRead("file://" + secret));
  BrowserRun run(config, server.Url("/file"));
  EXPECT_TRUE(run.WaitForCaption("blocked - Tabulon - ")) << run.main().Window().Caption();
}

TEST_F(HostilePages, WindowsOpenedWithoutAClickOpenNothing) {
  server.Serve("/popups", Page("popups",
                               "<script>let n = 0; const t = setInterval(() => {"
                               " window.open('/popups'); if (++n == 50) {"
                               " clearInterval(t); document.title = 'done'; } }, 10);"
                               "</script>"));
  BrowserRun run(config, server.Url("/popups"));
  ASSERT_TRUE(run.WaitForCaption("done - Tabulon - "));
  Pump(500);
  EXPECT_EQ(run.state.TabCount, 1);
  EXPECT_EQ(server.Hits("/popups"), 1);
}

TEST_F(HostilePages, MoveAndResizeRequestsKeepTheWindowOnScreenAndUsable) {
  server.Serve("/away", Page("away",
                             "<script>window.moveTo(-5000, -5000);"
                             " window.resizeTo(10, 10); document.title = 'moved';"
                             "</script>"));
  BrowserRun run(config, server.Url("/away"));
  ASSERT_TRUE(run.WaitForCaption("moved - Tabulon - "));
  Pump(500);
  const Form& window = run.main().Window();
  const ScreenArea area = run.toolkit->WorkArea();
  EXPECT_GE(window.Left(), area.left);
  EXPECT_GE(window.Top(), area.top);
  EXPECT_GE(window.Width(), kMinPageWindowWidth);
  EXPECT_GE(window.Height(), kMinPageWindowHeight);
  EXPECT_LE(window.Left() + window.Width(), area.left + area.width);
}

TEST_F(HostilePages, CertificateErrorsAreNeverAcceptedSilently) {
  const std::string folder = TempFolder();
  const std::string command =
      "openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj "
      "/CN=127.0.0.1 -keyout " +
      folder + "/key.pem -out " + folder + "/cert.pem 2>/dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0);
  GError* error = nullptr;
  GTlsCertificate* certificate = g_tls_certificate_new_from_files(
      (folder + "/cert.pem").c_str(), (folder + "/key.pem").c_str(), &error);
  ASSERT_NE(certificate, nullptr) << (error ? error->message : "");
  SoupServer* tls = soup_server_new("tls-certificate", certificate, nullptr);
  int hits = 0;
  soup_server_add_handler(
      tls, nullptr,
      [](SoupServer*, SoupServerMessage* msg, const char*, GHashTable*, gpointer data) {
        ++*static_cast<int*>(data);
        soup_server_message_set_status(msg, 200, nullptr);
        const char body[] = "<html><head><title>secret</title></head></html>";
        soup_server_message_set_response(msg, "text/html", SOUP_MEMORY_COPY, body, sizeof body - 1);
      },
      &hits, nullptr);
  ASSERT_TRUE(soup_server_listen_local(
      tls, 0,
      static_cast<SoupServerListenOptions>(SOUP_SERVER_LISTEN_IPV4_ONLY | SOUP_SERVER_LISTEN_HTTPS),
      &error));
  GSList* uris = soup_server_get_uris(tls);
  const int port = g_uri_get_port(static_cast<GUri*>(uris->data));
  g_slist_free_full(uris, reinterpret_cast<GDestroyNotify>(g_uri_unref));

  {
    const std::string address = "https://127.0.0.1:" + std::to_string(port) + "/secret";
    BrowserRun run(config, address);
    // An error page of ours takes the page's place; the page is never fetched.
    ASSERT_TRUE(run.WaitForCaption("接続の安全性を確認できません - Tabulon - "));
    Pump(300);
    EXPECT_EQ(hits, 0);
    EXPECT_NE(run.main().Window().Caption(), "secret - Tabulon - ");
    EXPECT_NE(run.main().lblTab(1).Caption(), "secret");
  }
  soup_server_disconnect(tls);
  g_object_unref(tls);
  g_object_unref(certificate);
}

// A script address typed in the URL box runs in the page, as a bookmarklet;
// a page asking for one in a new window gets nothing.
TEST_F(HostilePages, ScriptAddressesRunOnlyWhenTypedInTheUrlBox) {
  server.Serve("/js", Page("js",
                           "<a href='#' onclick=\"window.open('javascript:1'); "
                           "document.title = 'clicked'; return false;\" style='position:"
                           "absolute;left:0;top:0;width:400px;height:200px;display:block'>x</a>"));
  BrowserRun run(config, server.Url("/js"));
  ASSERT_TRUE(run.WaitForCaption("js - Tabulon - "));
  ASSERT_TRUE(PresentAndWaitForFocus(run.toolkit->Window()));
  const Control& page = run.main().brwPage(1);
  int x = 0, y = 0;
  run.toolkit->ClientToScreen(page.Left() + 100 * 15, page.Top() + 50 * 15, x, y);
  const std::string click =
      "xdotool mousemove " + std::to_string(x) + " " + std::to_string(y) + " click 1";
  ASSERT_EQ(std::system(click.c_str()), 0);
  ASSERT_TRUE(run.WaitForCaption("clicked - Tabulon - "));
  EXPECT_TRUE(PumpUntil([&] {
    return run.main().StaMsg().PanelText(1) == "javascript: のアドレスは開けません";
  })) << run.main().StaMsg().PanelText(1);
  EXPECT_EQ(run.state.TabCount, 1);

  ASSERT_EQ(std::system("xdotool key --clearmodifiers alt+d ctrl+a"), 0);
  ASSERT_TRUE(WaitForTextFocus(run.toolkit->Window()));
  ASSERT_EQ(std::system("xdotool type --delay 20 'javascript:document.title=%22bm%22'"), 0);
  ASSERT_EQ(std::system("xdotool key --clearmodifiers Return"), 0);
  ASSERT_TRUE(run.WaitForCaption("bm - Tabulon - ")) << run.main().Window().Caption();
  EXPECT_EQ(run.main().brwPage(1).LocationURL(), server.Url("/js"));
  EXPECT_EQ(run.state.TabCount, 1);
}

TEST_F(HostilePages, APageCannotPopUpLocalFilesOrTheBrowsersOwnPages) {
  server.Serve("/local", Page("local",
                              "<a href='#' onclick=\"window.open(['file:///etc/hostname', "
                              "'tabulon://start/'][n]); document.title = 'clicked ' + ++n; "
                              "return false;\" style='position:absolute;left:0;top:0;"
                              "width:400px;height:200px;display:block'>x</a><script>let n = 0;"
                              "</script>"));
  BrowserRun run(config, server.Url("/local"));
  ASSERT_TRUE(run.WaitForCaption("local - Tabulon - "));
  ASSERT_TRUE(PresentAndWaitForFocus(run.toolkit->Window()));
  const Control& page = run.main().brwPage(1);
  int x = 0, y = 0;
  run.toolkit->ClientToScreen(page.Left() + 100 * 15, page.Top() + 50 * 15, x, y);
  const std::string click =
      "xdotool mousemove " + std::to_string(x) + " " + std::to_string(y) + " click 1";
  for (const char* clicked : {"clicked 1 - Tabulon - ", "clicked 2 - Tabulon - "}) {
    ASSERT_EQ(std::system(click.c_str()), 0);
    ASSERT_TRUE(run.WaitForCaption(clicked)) << run.main().Window().Caption();
    EXPECT_TRUE(PumpUntil([&] {
      return run.main().StaMsg().PanelText(1) ==
             "このページからはローカルファイルや内部ページを開けません";
    })) << run.main().StaMsg().PanelText(1);
    run.main().StaMsg().SetPanelText(1, "");
  }
  EXPECT_EQ(run.state.TabCount, 1);
}

// A page that raises alerts for ever, one as soon as the last is answered.
const std::string kAlertLoopPage =
    Page("loop", "<script>setTimeout(() => { for (;;) alert('again'); }, 0);</script>");

gtk::PageDialog& DialogOf(BrowserRun& run, int tab) {
  auto& browser = static_cast<gtk::WebKitBrowser&>(run.main().BrowserOfTab(tab));
  return gtk::PageArea::Of(browser.View())->Dialog();
}

// An endless run of alerts: the window still answers, and closing the tab
// answers its dialog, so the engine loads the next page of the same site.
TEST_F(HostilePages, AnAlertLoopHoldsOnlyItsTabAndClosingItFreesTheEngine) {
  server.Serve("/loop", kAlertLoopPage);
  server.Serve("/next", Page("next", "n"));
  BrowserRun run(config, server.Url("/loop"));
  ASSERT_TRUE(PresentAndWaitForFocus(run.toolkit->Window()));
  ASSERT_TRUE(PumpUntil([&] { return DialogOf(run, 1).IsOpen(); }));
  EXPECT_EQ(DialogOf(run, 1).Message(), "again");
  ASSERT_EQ(std::system("xdotool key --clearmodifiers ctrl+n"), 0);
  ASSERT_TRUE(PumpUntil([&] { return run.state.TabCount == 2; }));
  ASSERT_EQ(run.state.CurTab, 1);
  ASSERT_EQ(std::system("xdotool key --clearmodifiers ctrl+w"), 0);
  ASSERT_TRUE(PumpUntil([&] { return run.state.TabCount == 1; }));
  // Asked for while the engine still spins in the closed page's loop: the
  // page comes once the engine is free again.
  run.main().BrowserOfTab(1).Navigate2(server.Url("/next"));
  EXPECT_TRUE(run.WaitForCaption("next - Tabulon - ")) << run.main().Window().Caption();
}

// A page waiting on its alerts holds up only its own site's process: a tab
// of another site opens and goes on to its next page meanwhile.
TEST_F(HostilePages, AnAlertLoopOnOneSiteLeavesAnotherSitesTabsLoading) {
  LoopbackServer asking_site("127.0.0.2");
  asking_site.Serve("/loop", kAlertLoopPage);
  server.Serve("/steady", Page("steady", "s"));
  server.Serve("/next", Page("next", "n"));
  BrowserRun run(config, asking_site.Url("/loop"));
  ASSERT_TRUE(PumpUntil([&] { return DialogOf(run, 1).IsOpen(); }));
  run.main().NewPage(server.Url("/steady"));
  ASSERT_TRUE(PumpUntil([&] { return run.main().lblTab(2).Caption() == "steady"; }));
  run.main().BrowserOfTab(2).Navigate2(server.Url("/next"));
  EXPECT_TRUE(PumpUntil([&] { return run.main().lblTab(2).Caption() == "next"; }));
  EXPECT_TRUE(DialogOf(run, 1).IsOpen());
}

// With no room left in the pool: while tab 1 waits on its alerts, a new
// tab (Ctrl+N, then an address) of a site that has no process yet loads,
// and so does tab 1 itself, sent to another site.
TEST_F(HostilePages, NewTabsAndTheAlertingTabItselfLoadOtherSitesWhileTheAlertsWait) {
  setenv("TABULON_WEB_PROCESSES", "2", 1);
  LoopbackServer asking_site("127.0.0.2"), third_site("127.0.0.3"), fourth_site("127.0.0.4");
  asking_site.Serve("/loop", kAlertLoopPage);
  server.Serve("/steady", Page("steady", "s"));
  third_site.Serve("/fresh", Page("fresh", "f"));
  fourth_site.Serve("/away", Page("away", "a"));
  BrowserRun run(config, asking_site.Url("/loop"));
  unsetenv("TABULON_WEB_PROCESSES");
  ASSERT_TRUE(PumpUntil([&] { return DialogOf(run, 1).IsOpen(); }));
  run.main().NewPage(server.Url("/steady"));
  ASSERT_TRUE(PumpUntil([&] { return run.main().lblTab(2).Caption() == "steady"; }));
  run.main().NewTab();
  run.main().BrowserOfTab(3).Navigate2(third_site.Url("/fresh"));
  EXPECT_TRUE(PumpUntil([&] { return run.main().lblTab(3).Caption() == "fresh"; }))
      << third_site.Hits("/fresh") << " requests";
  run.main().BrowserOfTab(1).Navigate2(fourth_site.Url("/away"));
  EXPECT_TRUE(PumpUntil([&] { return run.main().lblTab(1).Caption() == "away"; }))
      << fourth_site.Hits("/away") << " requests";
}

// From a page's second dialog on, the user may stop the rest: they are then
// answered without asking (OK to an alert, cancel to a confirm).
TEST_F(HostilePages, ThePagesDialogsCanBeStoppedFromTheSecondOn) {
  server.Serve("/asks", Page("asks",
                             "<script>setTimeout(() => { alert('one'); alert('two'); "
                             "alert('three'); document.title = 'answered ' + "
                             "confirm('four'); }, 0);</script>"));
  BrowserRun run(config, server.Url("/asks"));
  ASSERT_TRUE(PresentAndWaitForFocus(run.toolkit->Window()));
  gtk::PageDialog& dialog = DialogOf(run, 1);
  ASSERT_TRUE(PumpUntil([&] { return dialog.IsOpen() && dialog.Message() == "one"; }));
  EXPECT_FALSE(dialog.OffersToStop());
  ASSERT_TRUE(WaitUntilSettled(run.toolkit->Window()));
  ASSERT_EQ(std::system("xdotool key --clearmodifiers Return"), 0);
  ASSERT_TRUE(PumpUntil([&] { return dialog.IsOpen() && dialog.Message() == "two"; }));
  EXPECT_TRUE(dialog.OffersToStop());
  gtk_toggle_button_set_active(dialog.StopCheck(), TRUE);
  ASSERT_TRUE(WaitUntilSettled(run.toolkit->Window()));
  ASSERT_EQ(std::system("xdotool key --clearmodifiers Return"), 0);
  ASSERT_TRUE(run.WaitForCaption("answered false - Tabulon - ")) << run.main().Window().Caption();
  EXPECT_FALSE(dialog.IsOpen());
}

// window.print() in a loop without the user's click opens no dialog at all,
// so nothing keeps the window from closing.
TEST_F(HostilePages, APrintLoopOpensNoDialogAndTheWindowCloses) {
  server.Serve("/prints", Page("prints",
                               "<script>setTimeout(() => { for (let i = 0; i < 50; ++i)"
                               " window.print(); document.title = 'printed'; }, 0);"
                               "</script>"));
  BrowserRun run(config, server.Url("/prints"));
  ASSERT_TRUE(run.WaitForCaption("printed - Tabulon - ")) << run.main().Window().Caption();
  EXPECT_EQ(run.main().StaMsg().PanelText(1), "このページからの印刷要求を無視しました");
  GList* windows = gtk_window_list_toplevels();
  for (GList* l = windows; l; l = l->next) {
    EXPECT_FALSE(GTK_IS_PRINT_UNIX_DIALOG(l->data) && gtk_widget_get_visible(GTK_WIDGET(l->data)));
  }
  g_list_free(windows);
  run.main().m_end_Click();
  EXPECT_TRUE(PumpUntil([&] { return run.ended; }, 5000));
}

// A page that loops for ever is named in a bar within seconds of the user
// trying to use it; ページを停止
// ends it, and the tab shows a page of ours instead, at the same address.
TEST_F(HostilePages, ALoopingPageIsNamedAndCanBeStopped) {
  server.Serve("/loop", kLoopingPage);
  server.Serve("/other", Page("other", "other"));
  BrowserRun run(config, server.Url("/loop"));
  ASSERT_TRUE(run.WaitForCaption("looping - Tabulon - "));
  // The user, meeting a page that does not react, clicks and types in it.
  ASSERT_TRUE(PresentAndWaitForFocus(run.toolkit->Window()));
  Pump(500);  // the page starts looping 300 ms after its load
  int x = 0, y = 0;
  ScreenOrigin(GTK_WIDGET(static_cast<gtk::WebKitBrowser&>(run.main().BrowserOfTab(1)).View()), x,
               y);
  const std::string click = "xdotool mousemove " + std::to_string(x + 50) + " " +
                            std::to_string(y + 50) + " click 1 key a b c";
  ASSERT_EQ(std::system(click.c_str()), 0);
  Gtk::Button* stop = nullptr;
  ASSERT_TRUE(PumpUntil(
      [&] { return (stop = FindButton(run.toolkit->Window(), "ページを停止")) != nullptr; }, 8000));
  EXPECT_TRUE(FindButton(run.toolkit->Window(), "待つ"));
  stop->clicked();
  ASSERT_TRUE(run.WaitForCaption("ページを停止しました - Tabulon - "));
  EXPECT_EQ(run.main().BrowserOfTab(1).LocationURL(), server.Url("/loop"));
  EXPECT_FALSE(FindButton(run.toolkit->Window(), "ページを停止"));
  // The engine serves the tab again.
  run.main().BrowserOfTab(1).Navigate2(server.Url("/other"));
  EXPECT_TRUE(run.WaitForCaption("other - Tabulon - "));
}

// The window sees its keys before the page does: Alt+D and Ctrl+Tab act
// while the focused page's process is stuck in a loop.
TEST_F(HostilePages, TheWindowsKeysWorkWhileTheFocusedPageLoops) {
  server.Serve("/loop", Page("looping", "<script>setTimeout(() => { for (;;) {} }, 0);</script>"));
  server.Serve("/other", Page("other", "o"));
  BrowserRun run(config, server.Url("/loop"));
  ASSERT_TRUE(run.WaitForCaption("looping - Tabulon - "));
  run.main().NewPage(server.Url("/other"));
  ASSERT_TRUE(PresentAndWaitForFocus(run.toolkit->Window()));
  GtkWidget* view = GTK_WIDGET(static_cast<gtk::WebKitBrowser&>(run.main().BrowserOfTab(1)).View());
  int x = 0, y = 0;
  ScreenOrigin(view, x, y);
  const std::string click = "xdotool mousemove " + std::to_string(x + 50) + " " +
                            std::to_string(y + 50) + " click 1 key a";
  // The engine itself has seen that the page does not answer.
  ASSERT_TRUE(PumpUntil([&] {
    return std::system(click.c_str()) == 0 && FindButton(run.toolkit->Window(), "ページを停止");
  }));
  ASSERT_EQ(std::system(click.c_str()), 0);
  ASSERT_TRUE(PumpUntil([&] { return gtk_widget_has_focus(view); }));
  ASSERT_EQ(std::system("xdotool key --clearmodifiers alt+d"), 0);
  EXPECT_TRUE(WaitForTextFocus(run.toolkit->Window()));
  ASSERT_EQ(std::system(click.c_str()), 0);
  ASSERT_TRUE(PumpUntil([&] { return gtk_widget_has_focus(view); }));
  ASSERT_EQ(std::system("xdotool key --clearmodifiers ctrl+Tab"), 0);
  EXPECT_TRUE(PumpUntil([&] { return run.state.CurTab == 2; }));
}

// A page looping on one site, in a tab the user is not looking at, is
// named in a bar all the same; it holds up neither a tab of another site
// nor, when stopped, makes that tab load again: each site has its process.
TEST_F(HostilePages, ALoopingSiteStallsAndStopsOnlyItsOwnProcess) {
  TwoSites sites(server);
  LoopbackServer& looping_site = sites.looping_site;
  BrowserRun run(config, server.Url("/steady"));
  ASSERT_TRUE(run.WaitForCaption("steady - Tabulon - "));
  run.main().NewPage(looping_site.Url("/loop"));
  ASSERT_TRUE(PumpUntil([&] { return run.main().lblTab(2).Caption() == "looping"; }));
  ASSERT_EQ(run.state.CurTab, 1);
  Gtk::Button* stop = nullptr;
  ASSERT_TRUE(PumpUntil(
      [&] { return (stop = FindButton(run.toolkit->Window(), "ページを停止")) != nullptr; }, 8000));
  EXPECT_TRUE(FindLabel(run.toolkit->Window(), "「looping」が応答していません"));
  // Meanwhile the other site's tab goes somewhere else and gets there.
  run.main().BrowserOfTab(1).Navigate2(server.Url("/next"));
  ASSERT_TRUE(run.WaitForCaption("next - Tabulon - "));
  stop->clicked();
  ASSERT_TRUE(PumpUntil([&] { return run.main().lblTab(2).Caption() == "ページを停止しました"; }));
  EXPECT_EQ(server.Hits("/next"), 1);  // not loaded again after the stop
  EXPECT_EQ(run.main().BrowserOfTab(1).LocationURL(), server.Url("/next"));
}

// A tab the user sends to a looping site goes to that site's process: the
// tab of the site it came from goes on loading.
TEST_F(HostilePages, ATabSentToALoopingSiteLeavesItsFormerSitesTabsFree) {
  TwoSites sites(server);
  LoopbackServer& looping_site = sites.looping_site;
  BrowserRun run(config, server.Url("/steady"));
  ASSERT_TRUE(run.WaitForCaption("steady - Tabulon - "));
  run.main().NewPage(server.Url("/steady"));
  ASSERT_TRUE(WaitForLoaded(run, 2));
  run.main().BrowserOfTab(2).Navigate2(looping_site.Url("/loop"));
  ASSERT_TRUE(PumpUntil([&] { return run.main().lblTab(2).Caption() == "looping"; }));
  // The loop has begun once a bar names a tab of its process.
  ASSERT_TRUE(PumpUntil(
      [&] {
        return FindLabel(run.toolkit->Window(), "「looping」が応答していません") ||
               FindLabel(run.toolkit->Window(), "「steady」が応答していません");
      },
      8000));
  run.main().BrowserOfTab(1).Navigate2(server.Url("/next"));
  EXPECT_TRUE(run.WaitForCaption("next - Tabulon - "));
  // Its history came along.
  EXPECT_TRUE(webkit_web_view_can_go_back(
      static_cast<gtk::WebKitBrowser&>(run.main().BrowserOfTab(2)).View()));
}

// A link opened in a new tab loads its page in the opener's process, even
// on a site of its own: the pages may script each other.
TEST_F(HostilePages, ANewWindowOfAnotherSiteStaysInItsOpenersProcess) {
  LoopbackServer third_site("127.0.0.3");
  third_site.Serve("/popped", Page("popped", "p"));
  server.Serve("/opener", Page("opener", "<a href='" + third_site.Url("/popped") +
                                             "' target='_blank' style='position:absolute;"
                                             "left:0;top:0;width:400px;height:200px;"
                                             "display:block'>open</a>"));
  BrowserRun run(config, server.Url("/opener"));
  ASSERT_TRUE(run.WaitForCaption("opener - Tabulon - "));
  ASSERT_TRUE(PresentAndWaitForFocus(run.toolkit->Window()));
  const std::size_t processes = WebProcesses().size();
  const Control& page = run.main().brwPage(1);
  int x = 0, y = 0;
  run.toolkit->ClientToScreen(page.Left() + 100 * 15, page.Top() + 50 * 15, x, y);
  ASSERT_TRUE(RunWhilePumping("xdotool mousemove " + std::to_string(x) + " " + std::to_string(y) +
                              " click 1"));
  ASSERT_TRUE(PumpUntil([&] { return run.main().lblTab(2).Caption() == "popped"; }));
  EXPECT_EQ(WebProcesses().size(), processes);
}

TEST_F(HostilePages, ClickStormOnANewWindowLinkStopsAtAHundredTabs) {
  server.Serve("/storm", Page("storm",
                              "<a href='/target' target='_blank' style='position:"
                              "absolute;left:0;top:0;width:400px;height:200px;"
                              "display:block'>open</a>"));
  server.Serve("/target", Page("target", "t"));
  BrowserRun run(config, server.Url("/storm"));
  ASSERT_TRUE(run.WaitForCaption("storm - Tabulon - "));
  ASSERT_TRUE(PresentAndWaitForFocus(run.toolkit->Window()));
  const Control& page = run.main().brwPage(1);
  int x = 0, y = 0;
  run.toolkit->ClientToScreen(page.Left() + 100 * 15, page.Top() + 50 * 15, x, y);
  const std::string click = "xdotool mousemove " + std::to_string(x) + " " + std::to_string(y) +
                            " click --repeat 120 --delay 15 1";
  ASSERT_TRUE(RunWhilePumping(click)) << "the click storm did not end";
  ASSERT_TRUE(PumpUntil([&] { return run.state.TabCount == 100; }, 60000)) << run.state.TabCount;
  EXPECT_EQ(run.state.TabCount, 100);
  // Still answering: a switch to the last tab goes through at once.
  run.main().m_tab4_Click();
  EXPECT_EQ(run.state.CurTab, 100);
  EXPECT_TRUE(PumpUntil([&] { return run.main().lblTab(100).Caption() == "target"; }, 30000));
}

}  // namespace
}  // namespace tabulon::integration
