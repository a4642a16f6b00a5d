#include <glib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "browsing/content_filter.h"
#include "gtk/webkit/webkit_browser.h"
#include "harness.h"

namespace tabulon::integration {
namespace {

// A page whose script the filter list blocks and whose elements named in
// hiding rules for every site are not drawn, on the real engine: the server
// never sees the script asked for and the elements stay hidden, those added
// later too, until the site is let through; a tab on another site keeps
// blocking.
TEST(ContentBlocking, BlockedScriptAndHiddenElementsUntilTheSiteIsLetThrough) {
  LoopbackServer server;
  server.Serve(
      "/page.html",
      "<html><head><script src=\"/ad.js\"></script></head><body>"
      "<div class=\"Ad-Banner\">ad</div><script>"
      "setTimeout(() => { const late = document.createElement('div');"
      "  late.id = 'late-ad'; late.textContent = 'ad'; document.body.append(late); }, 100);"
      "setInterval(() => { const late = document.getElementById('late-ad');"
      "  document.title = document.querySelector('.Ad-Banner').offsetHeight + ' ' +"
      "    (late ? late.offsetHeight : -1); }, 20);"
      "</script></body></html>");
  server.Serve("/ad.js", "window.ad = 1;", "text/javascript");

  ContentFilterConverter converter;
  converter.AddList("! a list of three rules\n/ad.js^$script\n##.Ad-Banner\n###late-ad\n");
  const std::string rules = TempFolder() + "/rules.json";
  std::ofstream(rules) << converter.Json();
  std::ofstream(PlainHidingPath(rules)) << converter.PlainHiding();
  auto hidden = [](BrowserControl& page) { return page.LocationName() == "0 0"; };
  auto drawn = [](BrowserControl& page) {
    const std::string title = page.LocationName();
    return !title.empty() && title[0] != '0' && title.find(" 0") == std::string::npos &&
           title.find("-1") == std::string::npos;
  };

  // One engine process for both tabs: the filter is the view's, not the
  // process's.
  g_setenv("TABULON_WEB_PROCESSES", "1", TRUE);
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
  EXPECT_TRUE(PumpUntil([&] { return hidden(run.main().BrowserOfTab(tab)); }))
      << run.main().BrowserOfTab(tab).LocationName();
  Pump(200);
  EXPECT_TRUE(hidden(run.main().BrowserOfTab(tab)));
  EXPECT_EQ(server.Hits("/ad.js"), 0);
  EXPECT_TRUE(run.main().Menu("m_page_block").Checked());

  // Let through from the menu: the page loads again, with its script.
  run.main().lblTab_Click(tab);
  auto* item = dynamic_cast<Gtk::CheckMenuItem*>(
      FindMenuItem(run.toolkit->Window(), "このサイトで広告をブロック"));
  ASSERT_NE(item, nullptr);
  EXPECT_TRUE(item->get_active());
  item->activate();
  EXPECT_FALSE(item->get_active());
  EXPECT_FALSE(run.main().Menu("m_page_block").Checked());
  ASSERT_TRUE(PumpUntil([&] { return server.Hits("/page.html") == 2; }));
  ASSERT_TRUE(PumpUntil([&] { return server.Hits("/ad.js") == 1; }));
  EXPECT_TRUE(PumpUntil([&] { return drawn(run.main().BrowserOfTab(tab)); }))
      << run.main().BrowserOfTab(tab).LocationName();

  // The same server under another name is another site, still blocked.
  std::string other = server.Url("/page.html");
  other.replace(other.find("127.0.0.1"), 9, "localhost");
  run.main().NewPage(other);
  ASSERT_TRUE(PumpUntil([&] { return server.Hits("/page.html") == 3; }));
  ASSERT_TRUE(WaitForLoaded(run, run.state.TabCount));
  EXPECT_TRUE(PumpUntil([&] { return hidden(run.main().BrowserOfTab(run.state.TabCount)); }));
  EXPECT_EQ(server.Hits("/ad.js"), 1);
  run.main().lblTab_Click(run.state.TabCount);
  EXPECT_TRUE(item->get_active());
  run.main().lblTab_Click(tab);
  EXPECT_FALSE(item->get_active());
}

std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    names.push_back(entry.path().filename().string());
  }
  return names;
}

// The first start compiles, later ones load what it stored under the
// checksum of the rules; changed rules are compiled anew and the old filter
// is removed.
TEST(ContentBlocking, RulesAreCompiledOnceAndKeptUnderTheirChecksum) {
  const std::string folder = TempFolder();
  const std::string store = folder + "/filters";
  const std::string rules = folder + "/rules.json";
  auto start = [&](const std::string& json) {
    std::ofstream(rules, std::ios::trunc) << json;
    auto blocker = std::make_unique<gtk::ContentBlocker>(store);
    bool ready = false, ok = false;
    blocker->Start(rules, [&](bool compiled) {
      ready = true;
      ok = compiled;
    });
    EXPECT_TRUE(PumpUntil([&] { return ready; }, 60000));
    EXPECT_TRUE(ok);
    return blocker;
  };
  auto stored_as = [](const std::string& json) {
    gchar* sum = g_compute_checksum_for_string(G_CHECKSUM_SHA256, json.c_str(), -1);
    std::string name = std::string("ContentRuleList-rules-") + sum;
    g_free(sum);
    return name;
  };
  const std::string first = R"([{"trigger":{"url-filter":"ad\\.js"},"action":{"type":"block"}}])";
  const std::string second = R"([{"trigger":{"url-filter":"ad\\.gif"},"action":{"type":"block"}}])";

  EXPECT_FALSE(start(first)->FromStore());
  EXPECT_TRUE(start(first)->FromStore());
  EXPECT_EQ(FilesIn(store), std::vector<std::string>{stored_as(first)});

  EXPECT_FALSE(start(second)->FromStore());
  EXPECT_TRUE(PumpUntil([&] { return FilesIn(store).size() == 1; }));
  EXPECT_EQ(FilesIn(store), std::vector<std::string>{stored_as(second)});

  // Rules the engine refuses leave the browser without blocking, not broken.
  std::ofstream(rules, std::ios::trunc)
      << R"([{"trigger":{"url-filter":"a|b"},"action":{"type":"block"}}])";
  gtk::ContentBlocker refused(store);
  bool ready = false, ok = true;
  refused.Start(rules, [&](bool compiled) {
    ready = true;
    ok = compiled;
  });
  ASSERT_TRUE(PumpUntil([&] { return ready; }, 60000));
  EXPECT_FALSE(ok);
  EXPECT_FALSE(refused.Ready());
}

}  // namespace
}  // namespace tabulon::integration
