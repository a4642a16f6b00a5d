// What pages ask the user for: the bar's question, the answers kept per
// site, and the requests refused when their page goes.
#include "browsing/site_permissions.h"

#include <gtest/gtest.h>

#include "main_window_fixture.h"

namespace tabulon::testing {
namespace {

struct QuestionCase {
  PermissionKind kind;
  const char* question;
};
class PermissionQuestions : public ::testing::TestWithParam<QuestionCase> {};

TEST_P(PermissionQuestions, NameTheSiteAndWhatItWants) {
  EXPECT_EQ(PermissionQuestion(GetParam().kind, "https://example.com"), GetParam().question);
}
INSTANTIATE_TEST_SUITE_P(
    EachKind, PermissionQuestions,
    ::testing::Values(
        QuestionCase{PermissionKind::kNotifications,
                     "https://example.com が通知の表示を求めています"},
        QuestionCase{PermissionKind::kLocation,
                     "https://example.com が位置情報の利用を求めています"},
        QuestionCase{PermissionKind::kCameraAndMicrophone,
                     "https://example.com がカメラとマイクの利用を求めています"},
        QuestionCase{PermissionKind::kCamera, "https://example.com がカメラの利用を求めています"},
        QuestionCase{PermissionKind::kMicrophone,
                     "https://example.com がマイクの利用を求めています"},
        QuestionCase{PermissionKind::kScreen, "https://example.com が画面の共有を求めています"},
        QuestionCase{PermissionKind::kClipboard,
                     "https://example.com がクリップボードの読み取りを求めています"}));

struct SiteCase {
  const char* url;
  const char* site;
};
class PermissionSites : public ::testing::TestWithParam<SiteCase> {};

TEST_P(PermissionSites, AreSchemeHostAndPortOfWebPagesOnly) {
  EXPECT_EQ(PermissionSiteOf(GetParam().url), GetParam().site);
}
INSTANTIATE_TEST_SUITE_P(
    Addresses, PermissionSites,
    ::testing::Values(SiteCase{"https://Example.COM/a?b#c", "https://example.com"},
                      SiteCase{"https://example.com:443/", "https://example.com"},
                      SiteCase{"http://example.com:80", "http://example.com"},
                      SiteCase{"http://127.0.0.1:8080/page.html", "http://127.0.0.1:8080"},
                      SiteCase{"http://user:pw@evil.example:81/", "http://evil.example:81"},
                      SiteCase{"http://[::1]:8080/", "http://[::1]:8080"},
                      SiteCase{"https://a b.example/", ""}, SiteCase{"https://x.example;y/", ""},
                      SiteCase{"http://x.example:8o/", ""}, SiteCase{"http://x.example:65536/", ""},
                      SiteCase{"file:///home/a.html", ""}, SiteCase{"tabulon:start", ""},
                      SiteCase{"", ""}));

TEST(RememberedPermissions, AreKeptPerSiteAndKindAndReplacedByTheLatestAnswer) {
  FakeSettingsStore store;
  ASSERT_TRUE(RememberPermission(store, "https://a.example", PermissionKind::kCamera, true).ok());
  ASSERT_TRUE(RememberPermission(store, "https://b.example", PermissionKind::kCamera, false).ok());
  ASSERT_TRUE(
      RememberPermission(store, "https://a.example", PermissionKind::kNotifications, false).ok());
  ASSERT_TRUE(RememberPermission(store, "https://a.example", PermissionKind::kCamera, false).ok());
  EXPECT_EQ(RememberedAnswer(store, "https://a.example", PermissionKind::kCamera), false);
  EXPECT_EQ(RememberedAnswer(store, "https://b.example", PermissionKind::kCamera), false);
  EXPECT_EQ(RememberedAnswer(store, "https://a.example", PermissionKind::kLocation), std::nullopt);
  EXPECT_EQ(RememberedAnswer(store, "http://a.example", PermissionKind::kCamera), std::nullopt);
  EXPECT_EQ(NotificationAnswers(store),
            (std::vector<std::pair<std::string, bool>>{{"https://a.example", false}}));

  ASSERT_TRUE(ForgetPermission(store, "https://a.example", PermissionKind::kCamera).ok());
  EXPECT_EQ(RememberedPermissions(store).size(), 2u);
  ASSERT_TRUE(ForgetAllPermissions(store).ok());
  EXPECT_TRUE(RememberedPermissions(store).empty());
  EXPECT_FALSE(
      RememberPermission(store, "https://x.example;z", PermissionKind::kCamera, true).ok());
}

// An entry edited by hand into anything but site, kind and answer grants
// nothing, and the good entries beside it still hold.
class DamagedAnswers : public ::testing::TestWithParam<const char*> {};

TEST_P(DamagedAnswers, AreIgnoredAndTheGoodOnesKept) {
  FakeSettingsStore store;
  store.SaveSetting(kAppTitle, "Permissions", "Answers",
                    std::string(GetParam()) + ";https://ok.example camera 1");
  EXPECT_EQ(
      RememberedPermissions(store),
      (std::vector<RememberedPermission>{{"https://ok.example", PermissionKind::kCamera, true}}));
}
INSTANTIATE_TEST_SUITE_P(
    Entries, DamagedAnswers,
    ::testing::Values("http://127.0.0.1:9000 notifications 1x",
                      "http://127.0.0.1:9000 notifications 1 x",  // an extra field
                      "http://127.0.0.1:9000 notifications", "http://127.0.0.1:9000",
                      "http://127.0.0.1:9000 teleport 1",             // an unknown kind
                      "http://127.0.0.1:9000/admin notifications 1",  // a path
                      "HTTP://127.0.0.1:9000 notifications 1",        // not as written
                      "http://127.0.0.1:9000\tnotifications\t1",      // tabs between
                      " http://127.0.0.1:9000 notifications 1",       // a blank before
                      "http://127.0.0.1:9000  notifications 1",       // two blanks
                      "file:///x notifications 1", "http://a.example camera maybe", "garbage"));

// The window between the engine and the user: two tabs, the first on a site.
class PermissionRequests : public MainWindowTest {
 protected:
  void SetUp() override {
    Start();
    OpenTabsUntil(2);
    BrowserAt(1).Navigate2("https://site.example/page");
    BrowserAt(2).Navigate2("https://site.example/other");
  }
  void Ask(int position, int request, PermissionKind kind = PermissionKind::kNotifications) {
    FakeBrowser& browser = BrowserAt(position);
    main().brwPage_PermissionRequest(browser.index, request, kind, browser.LocationURL());
  }
  static std::string Last(FakeBrowser& browser) {
    return browser.calls.empty() ? "" : browser.calls.back();
  }
};

TEST_F(PermissionRequests, AnAnswerInTheBarReachesThePageAndIsRemembered) {
  Ask(1, 7);
  EXPECT_EQ(toolkit.bar_question, "https://site.example が通知の表示を求めています");
  EXPECT_EQ(Last(BrowserAt(1)), "Navigate2 https://site.example/page");  // nothing answered yet
  toolkit.bar_answered(false);
  EXPECT_EQ(Last(BrowserAt(1)), "AnswerPermission 7 deny");
  EXPECT_EQ(RememberedAnswer(store, "https://site.example", PermissionKind::kNotifications), false);

  // Asked again, the site has its answer at once.
  const int bars = toolkit.bars;
  Ask(2, 8);
  EXPECT_EQ(toolkit.bars, bars);
  EXPECT_EQ(Last(BrowserAt(2)), "AnswerPermission 8 deny");
}

// A private window's answer holds for its run and is written nowhere.
TEST_F(PermissionRequests, APrivateWindowKeepsItsAnswersToItself) {
  state.Private = true;
  Ask(1, 7);
  toolkit.bar_answered(true);
  const int bars = toolkit.bars;
  Ask(2, 8);
  EXPECT_EQ(toolkit.bars, bars);
  EXPECT_EQ(Last(BrowserAt(2)), "AnswerPermission 8 allow");
  EXPECT_TRUE(RememberedPermissions(store).empty());
}

TEST_F(PermissionRequests, OneAnswerSettlesTheSameQuestionInEveryTab) {
  Ask(1, 1);
  Ask(2, 1);
  toolkit.bar_answered(true);  // the second tab's bar
  EXPECT_EQ(Last(BrowserAt(1)), "AnswerPermission 1 allow");
  EXPECT_EQ(Last(BrowserAt(2)), "AnswerPermission 1 allow");
}

TEST_F(PermissionRequests, AreRefusedUnansweredWhenTheirPageGoes) {
  Ask(1, 3, PermissionKind::kCamera);
  main().brwPage_PageGone(BrowserAt(1).index);
  EXPECT_EQ(toolkit.bar_question, "");
  EXPECT_EQ(Last(BrowserAt(1)), "AnswerPermission 3 deny");
  EXPECT_EQ(RememberedAnswer(store, "https://site.example", PermissionKind::kCamera), std::nullopt);

  // A late click on a bar of a closed tab reaches nobody.
  Ask(2, 4, PermissionKind::kMicrophone);
  const auto answer = toolkit.bar_answered;
  SwitchTo(2);
  main().CloseTab();
  EXPECT_EQ(toolkit.bar_question, "");
  answer(true);
  EXPECT_EQ(RememberedAnswer(store, "https://site.example", PermissionKind::kMicrophone),
            std::nullopt);
}

TEST_F(PermissionRequests, FromAPageWithNoSiteAreRefusedWithoutAsking) {
  BrowserAt(1).Navigate2("file:///home/user/a.html");
  Ask(1, 5, PermissionKind::kLocation);
  EXPECT_EQ(toolkit.bar_question, "");
  EXPECT_EQ(Last(BrowserAt(1)), "AnswerPermission 5 deny");
}

}  // namespace
}  // namespace tabulon::testing
