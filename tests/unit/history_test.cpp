#include <gtest/gtest.h>
#include <sqlite3.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "base/keys.h"
#include "fakes/fake_history.h"
#include "history/history_store.h"
#include "history/history_window.h"
#include "main_window_fixture.h"
#include "settings_temp_folder.h"

namespace tabulon::testing {
namespace {

using testing_support::ReadRaw;
using testing_support::TempFolder;
using testing_support::WriteRaw;

constexpr std::int64_t kDay = 86400;
// 06:00 in the tests' time zone, UTC: days begin at midnight local time.
constexpr std::int64_t kNow = 1796796000;

// Polls for up to five seconds: another thread does the work.
template <typename Condition>
bool WaitFor(Condition&& done) {
  for (int i = 0; i < 500 && !done(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return done();
}

void MakeFolder(const std::string& path) { std::filesystem::create_directories(path); }

bool Finds(const std::string& typed, const HistoryEntry& entry) {
  return HistoryQuery(typed).Matches(MatchText(entry));
}

TEST(HistoryMatching, LatinIgnoresCaseJapaneseMatchesAnywhereAndEveryWordCounts) {
  const HistoryEntry page{"https://www.Example.com/Tokyo", "東京都庁 Ｆｏｏ のページ", 0, 1};
  EXPECT_TRUE(Finds("EXAMPLE", page));
  EXPECT_TRUE(Finds("tokyo", page));
  EXPECT_TRUE(Finds("都庁", page));                     // inside a Japanese word
  EXPECT_TRUE(Finds("ｆｏｏ", page));                   // full-width Latin, any case
  EXPECT_TRUE(Finds("example\xE3\x80\x80東京", page));  // ideographic space between words
  EXPECT_FALSE(Finds("example 大阪", page));            // every word has to be there
  EXPECT_FALSE(Finds("tokyo東京", page));               // never across address and title
  EXPECT_TRUE(HistoryQuery("").Empty());
}

TEST(HistoryAddresses, BuiltInPagesAreNotKeptAndCredentialsAreDropped) {
  EXPECT_EQ(HistoryAddress("tabulon://start/"), "");
  EXPECT_EQ(HistoryAddress("About:blank"), "");
  EXPECT_EQ(HistoryAddress("javascript:alert(1)"), "");
  EXPECT_EQ(HistoryAddress("https://taro:p@ss@example.com/a@b?c@d"), "https://example.com/a@b?c@d");
  EXPECT_EQ(HistoryAddress("file:///home/taro/a@b.html"), "file:///home/taro/a@b.html");
  EXPECT_EQ(CutText("あいうえお", 3), "あいう…");
}

class HistoryStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* tz = std::getenv("TZ")) saved_tz_ = tz;
    setenv("TZ", "UTC", 1);
    tzset();
  }
  void TearDown() override {
    if (saved_tz_) {
      setenv("TZ", saved_tz_->c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }
  std::optional<std::string> saved_tz_;

  TempFolder folder;
  std::int64_t now = kNow;
  std::string path = folder / "data/history.sqlite";  // the folder is made

  Problems problems;

  // Once the file has been read: the clock is the test's again.
  std::unique_ptr<HistoryStore> Open() {
    auto store = std::make_unique<HistoryStore>(
        path, [this] { return now; }, kHistoryFlushInterval, &problems);
    store->Size();
    return store;
  }
  static std::vector<std::string> Addresses(const std::vector<HistoryEntry>& entries) {
    std::vector<std::string> addresses;
    for (const HistoryEntry& entry : entries) addresses.push_back(entry.address);
    return addresses;
  }
  void Visit(HistoryStore& store, const std::string& address, int times, std::int64_t at) {
    const std::int64_t saved = now;
    now = at;
    for (int i = 0; i < times; ++i) store.AddVisit(address);
    now = saved;
  }
};

TEST_F(HistoryStoreTest, FrequentAndRecentVisitsComeFirst) {
  auto store = Open();
  Visit(*store, "https://old-favourite.example/", 30, kNow - 60 * kDay);
  Visit(*store, "https://once.example/", 1, kNow - kDay);
  Visit(*store, "https://daily.example/", 10, kNow - kDay);
  Visit(*store, "https://other.org/example", 10, kNow - kDay);
  EXPECT_EQ(Addresses(store->Suggest("example", 10)),
            (std::vector<std::string>{"https://daily.example/", "https://other.org/example",
                                      "https://once.example/", "https://old-favourite.example/"}));
  // What the user is typing begins a host: that page first.
  EXPECT_EQ(Addresses(store->Suggest("oth", 1)),
            std::vector<std::string>{"https://other.org/example"});
  EXPECT_EQ(store->Suggest("example", 2).size(), 2u);
}

TEST_F(HistoryStoreTest, APageRetitledOftenIsStillFoundByItsLatestTitle) {
  auto store = Open();
  store->AddVisit("https://live.example/");
  for (int i = 0; i < 1200; ++i) {
    store->SetTitle("https://live.example/", "score " + std::to_string(i) + std::string(1000, '.'));
  }
  EXPECT_EQ(store->Suggest("score 1199", 5).size(), 1u);
  EXPECT_TRUE(store->Suggest("score 1198", 5).empty());
}

TEST_F(HistoryStoreTest, OneLoadCountsOnceAndVisitsWithTitlesSurviveARestart) {
  {
    auto store = Open();
    HistorySink& sink = *store;
    sink.PageVisited(1, "https://example.com/");  // committed
    sink.PageTitled(1, "https://example.com/", "例のページ");
    sink.PageVisited(1, "https://example.com/");  // finished
    sink.PageVisited(2, "https://example.com/");  // another tab
    sink.PageVisited(1, "tabulon://start/");
    store->Flush();
  }
  auto store = Open();
  const std::vector<HistoryEntry> kept = store->List("");
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_EQ(kept[0], (HistoryEntry{"https://example.com/", "例のページ", kNow, 2}));
}

TEST_F(HistoryStoreTest, OldAndSurplusEntriesArePrunedAtStart) {
  Open()->Flush();  // the table
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
  sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
  sqlite3_stmt* insert = nullptr;
  sqlite3_prepare_v2(db, "INSERT INTO pages(address, last_visit) VALUES(?, ?)", -1, &insert,
                     nullptr);
  auto add = [&](const std::string& address, std::int64_t when) {
    sqlite3_bind_text(insert, 1, address.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_int64(insert, 2, when);
    sqlite3_step(insert);
    sqlite3_reset(insert);
  };
  add("https://too-old.example/", kNow - 91 * kDay);
  add("https://oldest-of-the-rest.example/", kNow - 89 * kDay);
  for (std::size_t i = 0; i < kHistoryMaxEntries; ++i)
    add("https://p" + std::to_string(i) + ".example/", kNow - 1);
  sqlite3_finalize(insert);
  sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  sqlite3_close(db);

  auto store = Open();
  EXPECT_EQ(store->Size(), kHistoryMaxEntries);
  EXPECT_TRUE(store->List("too-old").empty());
  EXPECT_TRUE(store->List("oldest-of-the-rest").empty());
  EXPECT_EQ(store->List("p99999.example").size(), 1u);
}

TEST_F(HistoryStoreTest, ADamagedFileIsMovedAsideAndANewOneStarted) {
  Open()->Flush();
  const std::string garbage(4096, 'x');
  WriteRaw(path, garbage);
  {
    auto store = Open();
    EXPECT_EQ(store->Size(), 0u);
    EXPECT_EQ(store->Path(), path);
    store->AddVisit("https://after.example/");
  }
  EXPECT_EQ(ReadRaw(path + ".broken"), garbage);
  EXPECT_EQ(Open()->List("").size(), 1u);
  EXPECT_EQ(problems.Causes(), std::vector<std::string>{"history-set-aside"});
}

// Only a file SQLite calls damaged is moved: one it merely cannot use is
// left for the user, and the history lives in memory.
TEST_F(HistoryStoreTest, ADatabaseWithAnotherTableOfThatNameIsLeftAsItIs) {
  sqlite3* db = nullptr;
  MakeFolder(folder / "data");
  ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db, "CREATE TABLE pages(other)", nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(db);
  const std::string before = ReadRaw(path);
  {
    auto store = Open();
    store->AddVisit("https://after.example/");
    EXPECT_EQ(store->Size(), 1u);
    EXPECT_EQ(store->Path(), "");
  }
  EXPECT_TRUE(ReadRaw(path) == before) << "the file is as it was";
  EXPECT_FALSE(std::filesystem::exists(path + ".broken"));
  EXPECT_EQ(problems.Causes(), std::vector<std::string>{"history-not-written"});
}

// The addresses in the file, as another program reads them.
std::vector<std::string> AddressesInFile(const std::string& path) {
  std::vector<std::string> addresses;
  sqlite3* db = nullptr;
  sqlite3_stmt* select = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK &&
      sqlite3_prepare_v2(db, "SELECT address FROM pages ORDER BY address", -1, &select, nullptr) ==
          SQLITE_OK) {
    while (sqlite3_step(select) == SQLITE_ROW)
      addresses.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(select, 0)));
  }
  sqlite3_finalize(select);
  sqlite3_close(db);
  return addresses;
}

// Another program in a long transaction at start: the history waits for
// the file, never moves it, and loses none of it.
TEST_F(HistoryStoreTest, AFileHeldByAnotherProgramIsWaitedForAndKeepsEveryPage) {
  {
    auto earlier = Open();
    earlier->AddVisit("https://kept.example/");
    earlier->AddVisit("https://removed-meanwhile.example/");
  }
  sqlite3* holder = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &holder), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(holder, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
  HistoryStore store(
      path, [this] { return now; }, std::chrono::milliseconds(10), &problems);
  store.AddVisit("https://new.example/");
  store.Remove({"https://removed-meanwhile.example/"});
  EXPECT_EQ(Addresses(store.List("")), std::vector<std::string>{"https://new.example/"});
  store.Flush();  // still held: nothing is written, nothing is lost
  EXPECT_FALSE(std::filesystem::exists(path + ".broken"));
  // Closing while the file is held does not wait for it.
  HistoryStore(path, nullptr, kHistoryFlushInterval, &problems).AddVisit("https://closed.example/");

  sqlite3_exec(holder, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close(holder);
  const std::vector<std::string> all{"https://kept.example/", "https://new.example/"};
  EXPECT_TRUE(WaitFor([&] { return AddressesInFile(path) == all; }));
  EXPECT_TRUE(WaitFor([&] { return store.Size() == 2; }));
  EXPECT_FALSE(std::filesystem::exists(path + ".broken"));
  EXPECT_TRUE(problems.Causes().empty()) << "a short wait alarms nobody";
}

TEST_F(HistoryStoreTest, ClearingTheLastHourKeepsOlderPages) {
  auto store = Open();
  Visit(*store, "https://earlier.example/", 1, kNow - 2 * 3600);
  Visit(*store, "https://just-now.example/", 1, kNow - 60);
  store->Clear(HistoryPeriod::LastHour);
  EXPECT_EQ(Addresses(store->List("")), std::vector<std::string>{"https://earlier.example/"});
  store.reset();
  EXPECT_EQ(Addresses(Open()->List("")), std::vector<std::string>{"https://earlier.example/"});
}

// The options program clears the history while the browser runs.
TEST_F(HistoryStoreTest, TheBrowserFollowsAnotherProgramClearingTheFile) {
  HistoryStore browser(
      path, [this] { return now; }, std::chrono::milliseconds(10));
  browser.AddVisit("https://before.example/");
  browser.Flush();
  Open()->Clear(HistoryPeriod::All);
  browser.AddVisit("https://after.example/");
  EXPECT_TRUE(WaitFor([&] { return browser.Size() == 1; }));
  EXPECT_EQ(Addresses(browser.List("")), std::vector<std::string>{"https://after.example/"});
}

TEST_F(HistoryStoreTest, TheWindowListsByDayFiltersDeletesAndOpens) {
  auto store = Open();
  Visit(*store, "https://yesterday.example/", 1, kNow - kDay);
  Visit(*store, "https://today.example/", 1, kNow - 60);
  store->SetTitle("https://today.example/", std::string(1 << 20, 'T'));
  FakeHistoryToolkit fake;
  std::vector<std::string> opened;
  HistoryWindow window(
      fake, *store, [&](const std::string& a) { opened.push_back(a); }, [this] { return now; });
  window.Show();
  ASSERT_EQ(fake.days.size(), 2u);
  EXPECT_EQ(fake.days[0].caption, "今日");
  EXPECT_EQ(fake.days[1].caption, "昨日");
  EXPECT_EQ(fake.days[0].lines[0].title, std::string(kHistoryShownChars, 'T') + "…");
  EXPECT_EQ(fake.days[1].lines[0].title, "https://yesterday.example/");  // no title: the address

  fake.input->SearchChanged("YESTERDAY");
  EXPECT_EQ(fake.Titles(), std::vector<std::string>{"https://yesterday.example/"});
  fake.input->Activated("https://yesterday.example/");
  EXPECT_EQ(opened, std::vector<std::string>{"https://yesterday.example/"});
  fake.input->DeleteClicked({"https://yesterday.example/"});
  EXPECT_TRUE(fake.days.empty());
  EXPECT_EQ(store->Size(), 1u);

  // Back in the window: what was visited meanwhile shows, and only then is
  // the list given anew (which would lose the user's selection).
  fake.input->SearchChanged("");
  const int shown = fake.show_days;
  fake.input->WindowFocused();
  EXPECT_EQ(fake.show_days, shown);
  store->AddVisit("https://meanwhile.example/");
  fake.input->WindowFocused();
  EXPECT_EQ(fake.days[0].lines[0].address, "https://meanwhile.example/");

  // A long history: the newest pages, and a word that a search finds more.
  for (std::size_t i = 0; i < kHistoryListedPages; ++i) {
    Visit(*store, "https://p" + std::to_string(i) + ".example/", 1,
          kNow - 7200 + static_cast<std::int64_t>(i));
  }
  fake.input->WindowFocused();
  EXPECT_TRUE(fake.more);
  EXPECT_EQ(fake.days[0].lines.size(), kHistoryListedPages);
  // After the two visited last: p999 down to p2.
  EXPECT_EQ(fake.days[0].lines.back().address, "https://p2.example/");
}

class MainWindowHistory : public MainWindowTest {
 protected:
  FakeHistoryToolkit fake;
  HistoryStore history{""};
  void SetUp() override {
    app.SetHistory(history, fake);
    Start();
  }
};

TEST_F(MainWindowHistory, TabsReportTheirPagesAndCtrlHOpensTheWindow) {
  FakeHistorySink sink;
  main().SetHistory(&sink);
  BrowserAt(1).Navigate2("https://example.com/");
  const int browser = BrowserAt(1).index;
  main().brwPage_NavigateComplete2(browser);
  BrowserAt(1).title = "例";
  main().brwPage_TitleChange(browser, "例");
  const std::string b = std::to_string(browser);
  EXPECT_EQ(sink.reports, (std::vector<std::string>{"visit " + b + " https://example.com/",
                                                    "title " + b + " https://example.com/ 例"}));

  EXPECT_TRUE(main().KeyPreview(kVkH, kCtrl));
  EXPECT_EQ(fake.shows, 1);
  const auto& settings = main().Menu("m_sette").Items();
  ASSERT_GE(settings.size(), 2u);
  EXPECT_EQ(settings[settings.size() - 2]->Caption(), "-");
  EXPECT_EQ(settings.back()->Caption(), "履歴(&H)");
}

TEST(UrlSuggestions, OpenTabsThenFavouritesThenHistoryEachAddressOnceWithinTheirShares) {
  using Kind = Suggestion::Kind;
  std::vector<Suggestion> tabs, favourites;
  for (int p = 1; p <= 5; ++p) {
    tabs.push_back({Kind::OpenTab, "Tab " + std::to_string(p), "http://t/" + std::to_string(p), p});
  }
  // A tab whose title does not match is offered as the favourite it is too.
  favourites = {{Kind::Favourite, "お気に入り東京", "http://t/1", 0},
                {Kind::Favourite, "東京の地図", "http://map/", 0},
                {Kind::Favourite, "", "", 0}};  // an empty slot
  const std::vector<HistoryEntry> history = {{"http://map/", "東京の地図", 0, 9},
                                             {"http://weather/", "東京の天気", 0, 1}};
  const auto chosen = ChooseSuggestions("東京", tabs, favourites, history);
  std::vector<std::string> addresses;
  for (const Suggestion& s : chosen) addresses.push_back(s.address);
  EXPECT_EQ(addresses, (std::vector<std::string>{"http://t/1", "http://map/", "http://weather/"}));
  EXPECT_EQ(chosen[1].kind, Kind::Favourite);

  // Five matching tabs leave room for the rest.
  const auto by_address = ChooseSuggestions("HTTP", tabs, favourites, history);
  ASSERT_EQ(by_address.size(), kSuggestedTabs + 2);
  EXPECT_EQ(by_address[kSuggestedTabs].address, "http://map/");
  EXPECT_TRUE(ChooseSuggestions("  ", tabs, favourites, history).empty());
}

// Typing in the URL box offers pages; the keys move, choose and close.
TEST_F(MainWindowHistory, TheUrlBoxOffersPagesToChooseWithTheKeys) {
  history.AddVisit("http://hist.example/");
  history.SetTitle("http://hist.example/", "Hist");
  state.UrlList[1] = {"http://fav.example/", "Fav"};
  OpenTabsUntil(2);
  BrowserAt(2).Navigate2("http://tab.example/");
  main().lblTab(2).SetCaption("Tab");
  SwitchTo(1);
  const auto type = [&](const std::string& text) {
    main().cmbURL().FeedText(text);
    main().cmbURL_Change();
  };
  const DropList& list = main().lstSuggest();
  type("EXAMPLE");
  ASSERT_TRUE(list.Visible());
  EXPECT_EQ(list.Rows(),
            (std::vector<DropList::Row>{{"Tab", "http://tab.example/", "タブに切り替え"},
                                        {"Fav", "http://fav.example/", "お気に入り"},
                                        {"Hist", "http://hist.example/", ""}}));
  // Down past the last row and Up past the first go back to the typed text.
  for (int i = 0; i < 4; ++i) EXPECT_TRUE(main().cmbURL_SuggestionKey(kVkDown, 0));
  EXPECT_EQ(list.Selected(), -1);
  EXPECT_TRUE(main().cmbURL_SuggestionKey(kVkUp, 0));
  EXPECT_EQ(list.Selected(), 2);
  EXPECT_FALSE(main().cmbURL_SuggestionKey(kVkDown, kShift));
  // Esc closes the list and keeps what was typed; the next Esc is the box's.
  EXPECT_TRUE(main().cmbURL_SuggestionKey(kVkEscape, 0));
  EXPECT_FALSE(list.Visible());
  EXPECT_EQ(main().cmbURL().Text(), "EXAMPLE");
  EXPECT_FALSE(main().cmbURL_SuggestionKey(kVkEscape, 0));

  // An open tab is switched to; the rest load in the current tab.
  type("tab");
  main().cmbURL_SuggestionKey(kVkDown, 0);
  EXPECT_TRUE(main().cmbURL_SuggestionKey(kVkReturn, 0));
  EXPECT_EQ(state.CurTab, 2);
  EXPECT_EQ(main().cmbURL().Text(), "http://tab.example/");
  type("hist");
  main().lstSuggest_Click(0);
  EXPECT_EQ(BrowserAt(2).calls.back(), "Navigate2 http://hist.example/");
  EXPECT_FALSE(list.Visible());
  // Enter with no row chosen loads what was typed.
  type("fav");
  EXPECT_FALSE(main().cmbURL_SuggestionKey(kVkReturn, 0));
  EXPECT_FALSE(list.Visible());
  type("nothing like it");
  EXPECT_FALSE(list.Visible());
}

}  // namespace
}  // namespace tabulon::testing
