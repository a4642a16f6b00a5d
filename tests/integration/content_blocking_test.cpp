#include <glib.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "base/problems.h"
#include "browsing/content_filter.h"
#include "gtk/webkit/web_engine.h"
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
  run.engine->Blocker().Start({{rules}}, [&](bool compiled) {
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
  std::sort(names.begin(), names.end());
  return names;
}

constexpr const char* kAdRules =
    R"([{"trigger":{"url-filter":"ad\\.js"},"action":{"type":"block"}}])";

// Starts the blocker and waits until it is ready; whether it blocks.
bool Started(gtk::ContentBlocker& blocker, std::vector<gtk::RulesSource> sources) {
  bool ready = false, ok = false;
  blocker.Start(std::move(sources), [&](bool compiled) {
    ready = true;
    ok = compiled;
  });
  EXPECT_TRUE(PumpUntil([&] { return ready; }, 60000));
  return ok;
}

// The first start compiles, later ones load what it stored under the
// checksum of the rules, with its check; changed rules are compiled anew and
// the old filter is removed.
TEST(ContentBlocking, RulesAreCompiledOnceAndKeptUnderTheirChecksum) {
  const std::string folder = TempFolder();
  const std::string store = folder + "/filters";
  const std::string rules = folder + "/rules.json";
  auto start = [&](const std::string& json) {
    std::ofstream(rules, std::ios::trunc) << json;
    auto blocker = std::make_unique<gtk::ContentBlocker>(store);
    EXPECT_TRUE(Started(*blocker, {{rules}}));
    return blocker;
  };
  auto stored_as = [](const std::string& json) {
    gchar* sum = g_compute_checksum_for_string(G_CHECKSUM_SHA256, json.c_str(), -1);
    std::vector<std::string> names{std::string("ContentRuleList-rules-") + sum,
                                   std::string("rules-") + sum + ".check"};
    g_free(sum);
    return names;
  };
  const std::string first = kAdRules;
  const std::string second = R"([{"trigger":{"url-filter":"ad\\.gif"},"action":{"type":"block"}}])";

  EXPECT_FALSE(start(first)->FromStore());
  EXPECT_TRUE(start(first)->FromStore());
  EXPECT_EQ(FilesIn(store), stored_as(first));

  EXPECT_FALSE(start(second)->FromStore());
  EXPECT_TRUE(PumpUntil([&] { return FilesIn(store) == stored_as(second); }))
      << FilesIn(store).size();

  // Rules the engine refuses leave the browser without blocking, not broken,
  // and the user is told.
  std::ofstream(rules, std::ios::trunc)
      << R"([{"trigger":{"url-filter":"a|b"},"action":{"type":"block"}}])";
  gtk::ContentBlocker refused(store);
  Problems problems;
  refused.SetProblems(&problems);
  EXPECT_FALSE(Started(refused, {{rules}}));
  EXPECT_FALSE(refused.Ready());
  EXPECT_EQ(problems.Causes(), std::vector<std::string>{"blocking-off"});
}

// A page with a script kAdRules block.
void ServeAdPage(LoopbackServer& server) {
  server.Serve("/page.html", "<html><head><script src=\"/ad.js\"></script></head><body></body>");
  server.Serve("/ad.js", "window.ad = 1;", "text/javascript");
}

// Whether the page, loaded in a new tab, goes without its script.
bool BlocksTheScript(BrowserRun& run, LoopbackServer& server) {
  run.main().NewPage(server.Url("/page.html"));
  return PumpUntil([&] { return server.Hits("/page.html") == 1; }) &&
         WaitForLoaded(run, run.state.TabCount) && server.Hits("/ad.js") == 0;
}

// A cached conversion the engine cannot read (left half-written, garbage)
// is converted again from the lists, in its place: blocking goes on, and
// the user hears nothing of it.
TEST(ContentBlocking, AGarbledCachedConversionIsMadeAgainFromTheLists) {
  LoopbackServer server;
  ServeAdPage(server);
  const std::string lists = TempFolder(), cache = TempFolder();
  const std::string cached = cache + "/content-filters.json";
  std::ofstream(lists + "/easylist.txt") << "/ad.js^$script\n";
  const std::string garbage = "[{\"trigger\":{\"url-fil\x93\x01";
  std::ofstream(cached) << garbage;
  std::ofstream(PlainHidingPath(cached)) << "";
  // Converted after the lists last changed: the cache is what is chosen.
  std::filesystem::last_write_time(
      lists + "/easylist.txt",
      std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));

  BrowserRun run(TempFolder());
  Problems problems;
  run.engine->Blocker().SetProblems(&problems);
  ASSERT_TRUE(Started(run.engine->Blocker(), gtk::ChooseBlockingRules(cache, lists)));
  EXPECT_TRUE(BlocksTheScript(run, server));
  EXPECT_EQ(problems.Causes(), std::vector<std::string>{});
  std::ifstream in(cached);
  EXPECT_NE(std::string(std::istreambuf_iterator<char>(in), {}), garbage);
}

// Random bytes written over a compiled filter in the store: it is not handed
// to the engine but compiled again from the rules, and blocks.
TEST(ContentBlocking, AStoredFilterUnlikeItsCheckIsCompiledAgain) {
  LoopbackServer server;
  ServeAdPage(server);
  const std::string rules = TempFolder() + "/rules.json";
  std::ofstream(rules) << kAdRules;
  BrowserRun run(TempFolder());
  const std::string store = run.cache_dir + "/content-filters";
  {
    gtk::ContentBlocker first(store);
    ASSERT_TRUE(Started(first, {{rules}}));
  }
  for (const std::string& name : FilesIn(store)) {
    if (!name.starts_with("ContentRuleList-")) continue;
    const std::string path = store + "/" + name;
    const auto size = std::filesystem::file_size(path);
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(static_cast<std::streamoff>(size / 2));
    for (auto i = size / 2; i < size; ++i) file.put(static_cast<char>(g_random_int()));
  }

  ASSERT_TRUE(Started(run.engine->Blocker(), {{rules}}));
  EXPECT_FALSE(run.engine->Blocker().FromStore());
  EXPECT_TRUE(BlocksTheScript(run, server));
}

}  // namespace
}  // namespace tabulon::integration
