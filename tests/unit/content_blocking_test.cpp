// The page menu's switch for blocking ads on the current tab's site.
#include <gtest/gtest.h>

#include <cerrno>

#include "browsing/blocked_sites.h"
#include "main_window_fixture.h"

namespace tabulon::testing {
namespace {

class AdBlockingSwitch : public MainWindowTest {
 protected:
  void SetUp() override {
    Start();
    OpenTabsUntil(3);
    Visit(1, "https://news.example.com/a");
    Visit(2, "https://news.example.com/b");
    Visit(3, "https://other.example.org/");
    SwitchTo(1);
  }
  // A page load as the engine reports it.
  void Visit(int position, const std::string& url) {
    FakeBrowser& browser = BrowserAt(position);
    browser.Navigate2(url);
    main().brwPage_NavigateComplete2(browser.index);
  }
  bool Checked() { return main().Menu("m_page_block").Checked(); }
};

TEST_F(AdBlockingSwitch, SitsCheckedAtTheEndOfThePageMenuAfterASeparator) {
  const auto& items = main().Menu("m_page").Items();
  ASSERT_GE(items.size(), 2u);
  EXPECT_TRUE(items[items.size() - 2]->IsSeparator());
  EXPECT_EQ(items.back()->Caption(), "このサイトで広告をブロック");
  EXPECT_TRUE(Checked());
}

TEST_F(AdBlockingSwitch, IsRememberedPerSiteAndFollowsTheCurrentTab) {
  main().m_page_block_Click();
  EXPECT_FALSE(Checked());
  EXPECT_EQ(store.values["Tabulon/AdBlocking/news.example.com"], "0");
  // Every tab of the site, and only those; the page loads again.
  EXPECT_FALSE(BrowserAt(1).blocking);
  EXPECT_FALSE(BrowserAt(2).blocking);
  EXPECT_TRUE(BrowserAt(3).blocking);
  EXPECT_EQ(BrowserAt(1).calls.back(), "Refresh2");

  SwitchTo(3);
  EXPECT_TRUE(Checked());
  SwitchTo(2);
  EXPECT_FALSE(Checked());
  // The current page going to another site takes the item along.
  Visit(2, "https://other.example.org/");
  EXPECT_TRUE(Checked());
  // Pages load as their site has it (the engine's browser asks as they do).
  EXPECT_FALSE(BlocksAdsAt(store, "https://www.news.example.com/c"));
  EXPECT_TRUE(BlocksAdsAt(store, "https://example.com/"));

  SwitchTo(1);
  main().m_page_block_Click();
  EXPECT_TRUE(Checked());
  EXPECT_TRUE(BrowserAt(1).blocking);
  EXPECT_TRUE(BlocksAdsAt(store, "https://news.example.com/"));
}

TEST_F(AdBlockingSwitch, ChangesNothingWhenTheSettingCannotBeSaved) {
  store.fail_with = ENOSPC;
  main().m_page_block_Click();
  EXPECT_TRUE(Checked());
  EXPECT_TRUE(BrowserAt(1).blocking);
  EXPECT_EQ(main().StaMsg().PanelText(1), "このサイトの設定を保存できませんでした");
}

TEST_F(AdBlockingSwitch, LeavesPagesWithoutASiteAlone) {
  Visit(1, "tabulon://start/");
  main().m_page_block_Click();
  EXPECT_TRUE(Checked());
  EXPECT_TRUE(BrowserAt(1).blocking);
  for (const auto& [key, value] : store.values)
    EXPECT_EQ(key.find("AdBlocking"), std::string::npos);
}

}  // namespace
}  // namespace tabulon::testing
