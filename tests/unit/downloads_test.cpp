#include <gtest/gtest.h>

#include "base/keys.h"
#include "downloads/downloads_window.h"
#include "fakes/fake_downloads_toolkit.h"
#include "main_window_fixture.h"

namespace tabulon::testing {
namespace {

struct ByteCase {
  std::int64_t bytes;
  const char* text;
};

class ByteCounts : public ::testing::TestWithParam<ByteCase> {};

TEST_P(ByteCounts, ReadInTheLargestUnitBelowTheRoundedFigure) {
  EXPECT_EQ(ByteCountText(GetParam().bytes), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Sizes, ByteCounts,
                         ::testing::Values(ByteCase{0, "0 バイト"}, ByteCase{1023, "1023 バイト"},
                                           ByteCase{1024, "1.0 KB"}, ByteCase{1536, "1.5 KB"},
                                           ByteCase{1048575, "1.0 MB"},
                                           ByteCase{2147483648LL, "2.0 GB"}));

class DownloadList : public ::testing::Test {
 protected:
  FakeDownloadsToolkit fake;
  DownloadsWindow window{fake, fake};

  void SetUp() override { window.DownloadStarted(7, "report.bin", "/home/taro/dl/report.bin"); }
  const DownloadRow& Row() { return fake.rows.at(7); }
};

TEST_F(DownloadList, ALineFollowsTheTransferToItsEnd) {
  EXPECT_EQ(Row().name, "report.bin");
  EXPECT_EQ(Row().state, "ダウンロード中");
  EXPECT_EQ(Row().percent, -1);
  EXPECT_TRUE(Row().can_cancel);
  EXPECT_FALSE(Row().can_open);
  window.DownloadProgress(7, 512 * 1024, 1024 * 1024);
  EXPECT_EQ(Row().percent, 50);
  EXPECT_EQ(Row().size, "512.0 KB / 1.0 MB");
  const int updates = fake.row_updates;
  window.DownloadProgress(7, 512 * 1024 + 10, 1024 * 1024);
  EXPECT_EQ(fake.row_updates, updates) << "an unchanged line is not drawn again";
  window.DownloadProgress(7, 1024 * 1024, 1024 * 1024);
  window.DownloadFinished(7);
  EXPECT_EQ(Row(), (DownloadRow{"report.bin", 100, "1.0 MB", "完了", false, true}));
}

TEST_F(DownloadList, AnEndWithoutAnnouncedSizeIsComplete) {
  window.DownloadProgress(7, 2048, -1);
  EXPECT_EQ(Row().size, "2.0 KB");
  window.DownloadFinished(7);
  EXPECT_EQ(Row().percent, 100);
}

TEST_F(DownloadList, CancelStopsTheTransferAndLateReportsChangeNothing) {
  window.DownloadProgress(7, 100, 1000);
  window.CancelClicked(7);
  EXPECT_EQ(fake.cancelled, std::vector<int>{7});
  EXPECT_EQ(Row().state, "中止");
  EXPECT_FALSE(Row().can_cancel);
  EXPECT_FALSE(Row().can_open);
  window.DownloadFailed(7);
  window.DownloadFinished(7);
  EXPECT_EQ(Row().state, "中止");
  window.CancelClicked(7);
  EXPECT_EQ(fake.cancelled.size(), 1u);
}

TEST_F(DownloadList, EngineFailuresShowAsSuch) {
  window.DownloadStarted(8, "b", "/tmp/b");
  window.DownloadFailed(7);
  window.DownloadCancelled(8);
  EXPECT_EQ(Row().state, "失敗");
  EXPECT_EQ(fake.rows.at(8).state, "中止");
  EXPECT_FALSE(window.AnyRunning());
}

TEST_F(DownloadList, OnlyAFinishedFileOrItsFolderIsHandedToTheDesktop) {
  window.OpenClicked(7);
  window.OpenFolderClicked(7);
  EXPECT_TRUE(fake.opened.empty());
  window.DownloadFinished(7);
  window.OpenClicked(7);
  window.OpenFolderClicked(7);
  EXPECT_EQ(fake.opened, (std::vector<std::string>{"/home/taro/dl/report.bin", "/home/taro/dl"}));
  fake.open_succeeds = false;
  window.OpenClicked(7);
  EXPECT_EQ(fake.messages, std::vector<std::string>{"開けませんでした: /home/taro/dl/report.bin"});
}

TEST_F(DownloadList, QuitDuringATransferAsksAndNoKeepsItRunning) {
  fake.answer_yes = false;
  EXPECT_FALSE(window.AllowQuit());
  EXPECT_EQ(fake.questions,
            std::vector<std::string>{"ダウンロード中のファイルがあります。中止して終了しますか?"});
  EXPECT_EQ(fake.shows, 1) << "the window shows what the question is about";
  EXPECT_EQ(fake.cancel_all_calls, 0);
  EXPECT_TRUE(Row().can_cancel);
  fake.answer_yes = true;
  EXPECT_TRUE(window.AllowQuit());
  EXPECT_EQ(fake.cancel_all_calls, 1);
  EXPECT_EQ(Row().state, "中止");
}

TEST_F(DownloadList, QuitWithNothingRunningAsksNothingButStillCleansUp) {
  window.DownloadFinished(7);
  EXPECT_TRUE(window.AllowQuit());
  EXPECT_TRUE(fake.questions.empty());
  // A download still in its save dialog is not listed, yet must go too.
  EXPECT_EQ(fake.cancel_all_calls, 1);
}

class MainWindowDownloads : public MainWindowTest {
 protected:
  FakeDownloadsToolkit fake;
  void SetUp() override {
    app.SetDownloads(fake, fake);
    Start();
  }
};

TEST_F(MainWindowDownloads, CtrlJAndTheSettingsMenuOpenTheWindow) {
  EXPECT_TRUE(main().KeyPreview(kVkJ, kCtrl));
  main().Menu("m_download").Click();
  EXPECT_EQ(fake.shows, 2);
  EXPECT_EQ(main().Menu("m_download").Caption(), "ダウンロード(&D)");
}

TEST_F(MainWindowDownloads, AnsweringNoKeepsTheProgramRunningFromMenuAndCloseBox) {
  app.Downloads()->DownloadStarted(1, "a", "/tmp/a");
  fake.answer_yes = false;
  main().m_end_Click();
  main().CloseRequested();
  EXPECT_FALSE(toolkit.ended);
  EXPECT_EQ(fake.questions.size(), 2u);
  fake.answer_yes = true;
  main().CloseRequested();
  EXPECT_TRUE(toolkit.ended);
  EXPECT_EQ(fake.cancel_all_calls, 1);
}

}  // namespace
}  // namespace tabulon::testing
