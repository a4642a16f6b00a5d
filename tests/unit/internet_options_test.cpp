#include "options/internet_options.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <ctime>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "browsing/site_permissions.h"
#include "browsing/start_page.h"
#include "fakes/fakes.h"
#include "param_names.h"
#include "settings/file_settings_store.h"
#include "settings_temp_folder.h"

namespace tabulon {
namespace {

namespace fs = std::filesystem;
using testing::FakeSettingsStore;
using testing_support::Quoted;
using testing_support::ReadRaw;
using testing_support::TempFolder;
using testing_support::WriteRaw;

class FakeOptionsView final : public OptionsView {
 public:
  InternetSettings shown;
  InternetSettings entered;
  std::vector<std::string> messages;
  std::vector<OptionsField> focused;
  bool answer = true;
  int questions = 0;
  bool closed = false;

  void ShowSettings(const InternetSettings& settings) override {
    shown = settings;
    entered = settings;
  }
  InternetSettings EnteredSettings() override { return entered; }
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  bool Confirm(const std::string&) override {
    ++questions;
    return answer;
  }
  void FocusField(OptionsField field) override { focused.push_back(field); }
  void Close() override { closed = true; }
  std::vector<std::string> permissions;
  int selected = -1;
  void ShowPermissions(const std::vector<std::string>& lines) override { permissions = lines; }
  int SelectedPermission() override { return selected; }
};

class OptionsWindowOpen : public ::testing::Test {
 protected:
  TempFolder folder_;
  FakeSettingsStore store_;
  BrowsingData data_{folder_ / "data", folder_ / "cache"};
  FakeOptionsView view_;
  InternetOptions options_{store_, data_, view_};
  void SetUp() override {
    store_.values["Tabulon/Internet/HomePage"] = "http://home.example/";
    options_.Load();
  }
};

TEST_F(OptionsWindowOpen, ShowsStoredValuesAndDefaultsForTheRest) {
  EXPECT_EQ(view_.shown.home_page, "http://home.example/");
  EXPECT_EQ(view_.shown.search_address, kDefaultSearchAddress);
  EXPECT_EQ(view_.shown.default_encoding, "");
}

struct InvalidEntry {
  const char* name;
  InternetSettings entered;
  OptionsField field;
};

void PrintTo(const InvalidEntry& c, std::ostream* os) {
  const char* field = c.field == OptionsField::kHomePage        ? "home page"
                      : c.field == OptionsField::kSearchAddress ? "search address"
                                                                : "default encoding";
  *os << "home page " << Quoted(c.entered.home_page) << ", search address "
      << Quoted(c.entered.search_address) << ", encoding " << Quoted(c.entered.default_encoding)
      << " (wrong: " << field << ")";
}

class OptionsWithInvalidEntry : public OptionsWindowOpen,
                                public ::testing::WithParamInterface<InvalidEntry> {};

TEST_P(OptionsWithInvalidEntry, OkExplainsFocusesTheFieldStoresNothingAndStaysOpen) {
  view_.entered = GetParam().entered;
  options_.Ok();
  ASSERT_EQ(view_.messages.size(), 1u);
  EXPECT_FALSE(view_.messages[0].empty());
  EXPECT_EQ(view_.focused, std::vector<OptionsField>{GetParam().field});
  EXPECT_EQ(store_.writes, 0);
  EXPECT_FALSE(view_.closed);
}

INSTANTIATE_TEST_SUITE_P(
    Table, OptionsWithInvalidEntry,
    ::testing::Values(
        InvalidEntry{"HomePageWithoutScheme",
                     {"www.example.org", "https://s.example/?q=%s", ""},
                     OptionsField::kHomePage},
        InvalidEntry{"EmptyHomePage", {"", "https://s.example/?q=%s", ""}, OptionsField::kHomePage},
        // A good home page is not stored on its own when a later field fails.
        InvalidEntry{"SearchWithoutPlaceholder",
                     {"http://new.example/", "https://s.example/?q=", ""},
                     OptionsField::kSearchAddress},
        InvalidEntry{"SearchWithTwoPlaceholders",
                     {"http://new.example/", "https://s.example/?a=%s&b=%s", ""},
                     OptionsField::kSearchAddress},
        InvalidEntry{"UnlistedEncoding",
                     {"http://new.example/", "https://s.example/?q=%s", "Latin-9"},
                     OptionsField::kDefaultEncoding}),
    testing_support::RowName());

TEST_F(OptionsWindowOpen, EachProblemHasItsOwnMessage) {
  EXPECT_EQ(HomePageMessage("http://fine.example/"), "");
  EXPECT_NE(SearchAddressMessage("https://s.example/?q="),
            SearchAddressMessage("https://s.example/?a=%s&b=%s"));
  EXPECT_NE(SearchAddressMessage("https://s.example/?q="), SearchAddressMessage("s.example/%s"));
}

TEST_F(OptionsWindowOpen, OkStoresTrimmedValuesAndCloses) {
  view_.entered = {"  http://new.example/ ", " https://s.example/?q=%s", "iso-2022-jp"};
  options_.Ok();
  EXPECT_TRUE(view_.messages.empty());
  EXPECT_TRUE(view_.closed);
  EXPECT_EQ(store_.values["Tabulon/Internet/HomePage"], "http://new.example/");
  EXPECT_EQ(store_.values["Tabulon/Internet/SearchAddress"], "https://s.example/?q=%s");
  EXPECT_EQ(store_.values["Tabulon/Internet/DefaultEncoding"], "ISO-2022-JP");
}

TEST_F(OptionsWindowOpen, TrackingProtectionIsOnUntilSwitchedOffAndIdleTabsRestAfter30Minutes) {
  EXPECT_TRUE(view_.shown.tracking_protection);
  EXPECT_EQ(view_.shown.discard_minutes, 30);
  view_.entered.tracking_protection = false;
  view_.entered.discard_minutes = 0;
  options_.Ok();
  EXPECT_EQ(store_.values["Tabulon/Internet/TrackingProtection"], "0");
  EXPECT_FALSE(ReadTrackingProtection(store_));
  EXPECT_EQ(ReadDiscardMinutes(store_), 0);
}

TEST(OptionsPermissions, RememberedAnswersAreListedAndForgottenOneOrAll) {
  FakeSettingsStore store;
  BrowsingData data{"/nonexistent/data", "/nonexistent/cache"};
  FakeOptionsView view;
  InternetOptions options{store, data, view};
  RememberPermission(store, "https://a.example", PermissionKind::kNotifications, false);
  RememberPermission(store, "https://b.example", PermissionKind::kCamera, true);
  options.Load();
  EXPECT_EQ(view.permissions, (std::vector<std::string>{"https://a.example  通知の表示: 拒否",
                                                        "https://b.example  カメラの利用: 許可"}));
  options.ForgetPermission();  // nothing selected
  EXPECT_EQ(view.permissions.size(), 2u);
  view.selected = 0;
  options.ForgetPermission();
  EXPECT_EQ(view.permissions, (std::vector<std::string>{"https://b.example  カメラの利用: 許可"}));
  view.answer = false;
  options.ForgetAllPermissions();
  EXPECT_EQ(view.permissions.size(), 1u);
  view.answer = true;
  options.ForgetAllPermissions();
  EXPECT_TRUE(view.permissions.empty());
  EXPECT_TRUE(RememberedPermissions(store).empty());
}

TEST_F(OptionsWindowOpen, OkOnAStoreThatCannotSaveSaysSoAndStaysOpen) {
  store_.fail_with = ENOSPC;
  view_.entered.home_page = "http://new.example/";
  options_.Ok();
  EXPECT_FALSE(view_.closed);
  EXPECT_EQ(
      view_.messages,
      (std::vector<std::string>{"設定を保存できませんでした。\nディスクの空きが足りません。"}));
  EXPECT_EQ(view_.entered.home_page, "http://new.example/");
}

TEST_F(OptionsWindowOpen, ApplyStoresAndStaysOpenShowingTheStoredSpelling) {
  view_.entered.default_encoding = "utf-8";
  EXPECT_TRUE(options_.Apply());
  EXPECT_FALSE(view_.closed);
  EXPECT_EQ(view_.shown.default_encoding, "UTF-8");
}

TEST_F(OptionsWindowOpen, CancelStoresNothing) {
  view_.entered.home_page = "http://other.example/";
  options_.Cancel();
  EXPECT_TRUE(view_.closed);
  EXPECT_EQ(store_.writes, 0);
}

TEST_F(OptionsWindowOpen, ResetPutsTheDefaultInOneFieldOnlyAndStoresNothing) {
  view_.entered.search_address = "https://typed.example/?q=%s";
  options_.ResetHomePage();
  EXPECT_EQ(view_.shown.home_page, kHomeUrl);
  EXPECT_EQ(view_.shown.search_address, "https://typed.example/?q=%s");
  options_.ResetSearchAddress();
  EXPECT_EQ(view_.shown.search_address, kDefaultSearchAddress);
  EXPECT_EQ(store_.writes, 0);
}

// The browser writes its placement while the options window is open; the
// options program's save must not put back the file as it was at opening.
TEST(OptionsOverSharedFile, PlacementWrittenWhileTheWindowIsOpenSurvivesApply) {
  TempFolder folder;
  FileSettingsStore options_store(folder.path());
  FileSettingsStore browser_store(folder.path());
  BrowsingData data(folder / "data", folder / "cache");
  FakeOptionsView view;
  InternetOptions options(options_store, data, view);
  options.Load();
  browser_store.SaveSetting("Tabulon", "Settings", "MainTop", "4500");
  view.entered.home_page = "http://after.example/";
  ASSERT_TRUE(options.Apply());
  EXPECT_EQ(browser_store.GetSetting("Tabulon", "Settings", "MainTop", ""), "4500");
  EXPECT_EQ(ReadHomePage(browser_store), "http://after.example/");
}

// --- Clearing browsing data ----------------------------------------------------

class EngineFoldersWithData : public ::testing::Test {
 protected:
  TempFolder folder_;
  BrowsingData data_{folder_ / "data", folder_ / "cache"};
  FakeSettingsStore store_;
  FakeOptionsView view_;
  InternetOptions options_{store_, data_, view_};
  void SetUp() override {
    fs::create_directories(folder_ / "data/localstorage");
    fs::create_directories(folder_ / "cache/WebKitCache/Version 16");
    WriteRaw(folder_ / "data/cookies.sqlite", "cookies");
    WriteRaw(folder_ / "data/cookies.sqlite-journal", "journal");
    WriteRaw(folder_ / "data/localstorage/site.db", "kept");
    WriteRaw(folder_ / "cache/WebKitCache/Version 16/record", "cached");
    WriteRaw(folder_ / "cache/hsts-storage.sqlite", "cached");
  }
};

TEST_F(EngineFoldersWithData, ClearingCookiesRemovesTheCookieDatabaseOnly) {
  options_.ClearCookies();
  EXPECT_FALSE(fs::exists(folder_ / "data/cookies.sqlite"));
  EXPECT_FALSE(fs::exists(folder_ / "data/cookies.sqlite-journal"));
  EXPECT_EQ(ReadRaw(folder_ / "data/localstorage/site.db"), "kept");
  EXPECT_TRUE(fs::exists(folder_ / "cache/hsts-storage.sqlite"));
  EXPECT_EQ(view_.messages.size(), 1u);
}

TEST_F(EngineFoldersWithData, ClearingTheCacheEmptiesItsFolderButKeepsIt) {
  options_.ClearCache();
  EXPECT_TRUE(fs::is_directory(folder_ / "cache"));
  EXPECT_TRUE(fs::is_empty(folder_ / "cache"));
  EXPECT_TRUE(fs::exists(folder_ / "data/cookies.sqlite"));
}

TEST_F(EngineFoldersWithData, AnsweringNoClearsNothing) {
  view_.answer = false;
  options_.ClearCookies();
  options_.ClearCache();
  EXPECT_EQ(view_.questions, 2);
  EXPECT_TRUE(view_.messages.empty());
  EXPECT_TRUE(fs::exists(folder_ / "data/cookies.sqlite"));
  EXPECT_TRUE(fs::exists(folder_ / "cache/hsts-storage.sqlite"));
}

TEST_F(EngineFoldersWithData, ClearingTheHistoryRemovesThePeriodsPages) {
  const std::string file = HistoryFilePath(folder_ / "data");
  {
    const std::int64_t now = std::time(nullptr);
    std::int64_t at = now - 7200;
    HistoryStore history(file, [&at] { return at; });
    history.AddVisit("http://two-hours-ago/");
    at = now;
    history.AddVisit("http://now/");
  }
  options_.ClearHistory(HistoryPeriod::LastHour);
  EXPECT_EQ(HistoryStore(file).List("").size(), 1u);
  options_.ClearHistory(HistoryPeriod::All);
  EXPECT_EQ(HistoryStore(file).Size(), 0u);
  EXPECT_EQ(view_.messages, (std::vector<std::string>(2, "履歴を削除しました。")));
}

TEST(EngineFoldersNeverMade, ClearingSucceedsWithNothingToClear) {
  TempFolder folder;
  BrowsingData data(folder / "no-data", folder / "no-cache");
  EXPECT_TRUE(data.ClearCookies());
  EXPECT_TRUE(data.ClearCache());
  EXPECT_TRUE(data.ClearHistory(HistoryPeriod::All));
  EXPECT_FALSE(fs::exists(folder / "no-data"));
}

}  // namespace
}  // namespace tabulon
