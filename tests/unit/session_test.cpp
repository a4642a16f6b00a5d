// The session file: its format, who keeps it, and what a start after an
// unclean end offers.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/session_keeper.h"
#include "browsing/saved_session.h"
#include "kill_at_random.h"
#include "main_window_fixture.h"
#include "settings_temp_folder.h"

namespace tabulon::testing {
namespace {

using testing_support::ReadRaw;
using testing_support::TempFolder;
using testing_support::WriteRaw;

SavedSession FourTabs() {
  SavedSession session;
  session.current = 2;
  const std::string binary("\0\xff\n tab end\r", 12);
  for (int i = 1; i <= 4; ++i) {
    session.tabs.push_back({"http://t" + std::to_string(i) + "/", "タイトル " + std::to_string(i),
                            i == 3 ? binary : "1\nhttp://x/\nhttp://t" + std::to_string(i) + "/"});
  }
  return session;
}

TEST(SessionFile, RoundTripsAnyBytesAndRefusesEveryCutOrForeignFile) {
  const SavedSession session = FourTabs();
  const std::string bytes = EncodeSession(session);
  const std::optional<SavedSession> back = DecodeSession(bytes);
  ASSERT_TRUE(back);
  EXPECT_FALSE(back->ended);
  EXPECT_EQ(back->current, 2);
  ASSERT_EQ(back->tabs.size(), 4u);
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(back->tabs[i].address, session.tabs[i].address);
    EXPECT_EQ(back->tabs[i].title, session.tabs[i].title);
    EXPECT_EQ(back->tabs[i].history, session.tabs[i].history);
  }
  // A write cut short anywhere is never taken for a session.
  for (std::size_t cut = 0; cut < bytes.size(); ++cut) {
    EXPECT_FALSE(DecodeSession(bytes.substr(0, cut))) << "cut at " << cut;
  }
  std::string newer = bytes;
  newer.replace(0, 16, "TabulonSession 2");
  EXPECT_FALSE(DecodeSession(newer));
  std::string flipped = bytes;
  flipped[bytes.find("tab ") + 5] = '!';
  EXPECT_FALSE(DecodeSession(flipped));
}

TEST(SessionKeeping, UncleanEndsStayOfferedTogetherUntilTheUserSettlesThem) {
  TempFolder folder;
  {
    SessionKeeper first(folder.path());
    ASSERT_TRUE(first.Claim());
    EXPECT_TRUE(first.Unfinished().empty());
    SessionKeeper second(folder.path());
    EXPECT_FALSE(second.Claim());  // the first one has it
    first.Save(FourTabs());
  }  // ends without SaveAtEnd, as a killed browser does
  SavedSession later;
  later.tabs = {{"http://later/", "後のタブ", ""}, {"http://t2/", "タイトル 2", ""}};
  {
    SessionKeeper next(folder.path());
    ASSERT_TRUE(next.Claim());
    ASSERT_EQ(next.Unfinished().size(), 4u);
    EXPECT_EQ(next.Unfinished()[3].title, "タイトル 4");
    next.SaveAtEnd(later);
    EXPECT_EQ(
        std::filesystem::status(folder / "session").permissions() & std::filesystem::perms::all,
        std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    next.Save(later);  // and then killed: an unclean end again
  }
  for (int start = 0; start < 2; ++start) {
    // The second of these is killed before it writes anything.
    SessionKeeper again(folder.path());
    ASSERT_TRUE(again.Claim());
    ASSERT_EQ(again.Unfinished().size(), 5u) << "start " << start;
    EXPECT_EQ(again.Unfinished()[4].address, "http://later/");
  }
  {
    SessionKeeper answered(folder.path());
    ASSERT_TRUE(answered.Claim());
    answered.Settle(later);
    EXPECT_TRUE(answered.Unfinished().empty());
    answered.SaveAtEnd(later);
  }
  SessionKeeper after(folder.path());
  ASSERT_TRUE(after.Claim());
  EXPECT_TRUE(after.Unfinished().empty());
  EXPECT_EQ(after.LastTabs().size(), 2u);
}

TEST(SessionKeeping, AFileThatCannotBeReadIsKeptAsItIsAndSaid) {
  TempFolder folder;
  std::filesystem::create_directories(folder / "session");  // EISDIR
  WriteRaw(folder / "session/mine", "x");
  Problems problems;
  std::vector<std::string> shown;
  problems.SetWindow([&shown](const std::string& message) { shown.push_back(message); });
  {
    SessionKeeper keeper(folder.path(), &problems);
    ASSERT_TRUE(keeper.Claim());
    keeper.SaveAtEnd(FourTabs());
  }
  EXPECT_EQ(ReadRaw(folder / "session.unreadable/mine"), "x");
  EXPECT_TRUE(DecodeSession(ReadRaw(folder / "session")));
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_NE(shown[0].find("session.unreadable"), std::string::npos) << shown[0];
}

TEST(SessionKeeping, ADamagedFileIsSetAsideAndTheBrowserStartsEmpty) {
  TempFolder folder;
  WriteRaw(folder / "session", "TabulonSession 1\nended 0\ncurrent 1\ntab ???");
  SessionKeeper keeper(folder.path());
  ASSERT_TRUE(keeper.Claim());
  EXPECT_TRUE(keeper.Unfinished().empty());
  EXPECT_EQ(ReadRaw(folder / "session.broken"), "TabulonSession 1\nended 0\ncurrent 1\ntab ???");
}

TEST(SessionKeeping, AKillDuringAWriteLeavesTheOldFileOrTheNew) {
  TempFolder folder;
  SavedSession many = FourTabs();
  SavedSession one = FourTabs();
  one.tabs.resize(1);
  one.tabs[0].history = std::string(200000, 'h');
  std::string whole[2];
  for (int i = 0; i < 2; ++i) {
    SessionKeeper keeper(folder.path());
    ASSERT_TRUE(keeper.Claim());
    keeper.SaveAtEnd(i ? many : one);
    whole[i] = ReadRaw(folder / "session");
  }
  const int checked = testing_support::KillSavesAtRandom(
      100,
      [&](unsigned i) {
        static SessionKeeper* const keeper = [&] {
          auto* made = new SessionKeeper(folder.path());
          made->Claim();
          return made;
        }();
        keeper->SaveAtEnd(i % 2 ? many : one);
      },
      [&] {
        const std::string now = ReadRaw(folder / "session");
        return now == whole[0] || now == whole[1];
      });
  EXPECT_EQ(checked, 100);
}

class RestoringTabs : public MainWindowTest {};

TEST_F(RestoringTabs, TheBarAppendsTheLastRunsTabsAndChangesAreSavedInABatch) {
  TempFolder folder;
  {
    SessionKeeper killed(folder.path());
    ASSERT_TRUE(killed.Claim());
    killed.Save(FourTabs());
  }
  app.SetSessionFolder(folder.path());
  Start("http://first/");
  EXPECT_EQ(toolkit.bar_question, "前回は正常に終了しませんでした。");
  ASSERT_TRUE(toolkit.bar_answered);
  toolkit.bar_answered(true);
  ASSERT_EQ(state.TabCount, 5);
  EXPECT_EQ(state.CurTab, 1);
  EXPECT_EQ(main().lblTab(5).Caption(), "タイトル 4");
  EXPECT_EQ(BrowserAt(2).calls, (std::vector<std::string>{"RestoreHistory http://t1/"}));
  // A history the browser cannot read still opens the address.
  EXPECT_EQ(BrowserAt(4).calls, (std::vector<std::string>{"LoadWhenShown http://t3/"}));

  // Five tabs opened and their pages reported: one write, a second later.
  ASSERT_EQ(toolkit.later.size(), 1u);
  toolkit.RunLaterTasks();
  app.Finish();
  const std::optional<SavedSession> saved = DecodeSession(ReadRaw(folder / "session"));
  ASSERT_TRUE(saved);
  EXPECT_TRUE(saved->ended);
  EXPECT_EQ(saved->tabs.size(), 5u);
  EXPECT_EQ(saved->tabs[0].address, "http://first/");
}

TEST_F(RestoringTabs, WithTheOptionOnTheLastTabsComeBackWithoutAQuestion) {
  TempFolder folder;
  {
    SessionKeeper quit(folder.path());
    ASSERT_TRUE(quit.Claim());
    quit.SaveAtEnd(FourTabs());
  }
  store.values["Tabulon/Internet/RestoreTabs"] = "1";
  app.SetSessionFolder(folder.path());
  Start("http://first/");
  EXPECT_EQ(toolkit.bar_question, "");
  EXPECT_EQ(state.TabCount, 5);
  EXPECT_EQ(state.CurTab, 1);
}

}  // namespace
}  // namespace tabulon::testing
