#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <filesystem>
#include <ostream>

#include "fakes/fake_favourites_toolkit.h"
#include "main_window_fixture.h"
#include "param_names.h"
#include "settings/basqks_api.h"
#include "settings_temp_folder.h"

namespace tabulon::testing {
namespace {

using testing_support::ReadRaw;
using testing_support::TempFolder;
using testing_support::WriteRaw;

// A started browser whose settings file lives in a folder of the test's own.
class FavouritesTest : public MainWindowTest {
 protected:
  void SetUp() override {
    app.SetFavouritesToolkit(&dialogs);
    Start();
    state.AppDir = folder.path() + "/";
  }
  std::string Ini() const { return folder / "tabulon.ini"; }
  // The settings file as the program found it at start.
  void StartWithFile(const std::string& bytes) {
    WriteRaw(Ini(), bytes);
    LoadSettings(state);
  }
  void Favourite(int n, const std::string& url, const std::string& title) {
    state.UrlList[static_cast<std::size_t>(n)] = {url, title, 0};
  }
  // Opens the dialog from the menu; `user` acts while it is shown.
  void Open(std::function<void(FormIni&)> user) {
    dialogs.user = std::move(user);
    main().Menu("m_List").Click();
  }
  static void Apply(FormIni& form, int line, const std::string& url, const std::string& title) {
    form.lstURLLst().FeedListIndex(line - 1);
    form.txtURL().FeedText(url);
    form.txtTitle().FeedText(title);
    form.cmdChg_Click();
  }

  FakeFavouritesToolkit dialogs;
  TempFolder folder;
};

// The dialog alone, loaded on the program's favourites.
class FavouritesDialog : public FavouritesTest {
 protected:
  FormIni& Load() {
    form = std::make_unique<FormIni>(state, app);
    dialogs.BuildDialog(*form);
    form->Form_Load();
    return *form;
  }
  std::unique_ptr<FormIni> form;
};

struct LineLabel {
  int line;
  const char* text;
};

void PrintTo(const LineLabel& c, std::ostream* os) {
  *os << "line " << c.line << ": " << testing_support::Quoted(c.text);
}

class EmptyFavouriteLines : public FavouritesDialog,
                            public ::testing::WithParamInterface<LineLabel> {};

TEST_P(EmptyFavouriteLines, ShowTheHotKeyOnly) {
  EXPECT_EQ(Load().lstURLLst().List(GetParam().line - 1), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    AllTwenty, EmptyFavouriteLines,
    ::testing::Values(LineLabel{1, "Ctrl + 1\t \t"}, LineLabel{2, "Ctrl + 2\t \t"},
                      LineLabel{3, "Ctrl + 3\t \t"}, LineLabel{4, "Ctrl + 4\t \t"},
                      LineLabel{5, "Ctrl + 5\t \t"}, LineLabel{6, "Ctrl + 6\t \t"},
                      LineLabel{7, "Ctrl + 7\t \t"}, LineLabel{8, "Ctrl + 8\t \t"},
                      LineLabel{9, "Ctrl + 9\t \t"}, LineLabel{10, "Ctrl + 0\t \t"},
                      LineLabel{11, "Ctrl + Shift + 1 \t"}, LineLabel{12, "Ctrl + Shift + 2 \t"},
                      LineLabel{13, "Ctrl + Shift + 3 \t"}, LineLabel{14, "Ctrl + Shift + 4 \t"},
                      LineLabel{15, "Ctrl + Shift + 5 \t"}, LineLabel{16, "Ctrl + Shift + 6 \t"},
                      LineLabel{17, "Ctrl + Shift + 7 \t"}, LineLabel{18, "Ctrl + Shift + 8 \t"},
                      LineLabel{19, "Ctrl + Shift + 9 \t"}, LineLabel{20, "Ctrl + Shift + 0 \t"}),
    [](const auto& info) { return "Line" + std::to_string(info.param.line); });

TEST_F(FavouritesDialog, ListHasExactlyTwentyLines) {
  EXPECT_EQ(Load().lstURLLst().ListCount(), 20);
}

TEST_F(FavouritesDialog, OpeningSelectsLineOneAndFillsTheBoxesFromIt) {
  Favourite(1, "http://one.example/", "いち");
  Favourite(2, "http://two.example/", "に");
  FormIni& f = Load();
  EXPECT_EQ(f.lstURLLst().ListIndex(), 0);
  EXPECT_EQ(f.txtURL().Text(), "http://one.example/");
  EXPECT_EQ(f.txtTitle().Text(), "いち");
  EXPECT_EQ(f.lstURLLst().List(0), "Ctrl + 1\t \thttp://one.example/");
}

TEST_F(FavouritesDialog, AnyNonZeroModeShowsTitlesAndSettlesOnOne) {
  StartWithFile(
      "[URL]\r\nURL14=http://x.example/\r\n[TITLE]\r\nTITLE14=\x83\x47\x83\x62\x83\x4e\x83\x58\r\n"
      "[TABULON]\r\nMODE=7\r\n");
  FormIni& f = Load();
  EXPECT_TRUE(f.optMode(1).Value());
  EXPECT_FALSE(f.optMode(0).Value());
  EXPECT_EQ(state.ListMode, 1);
  EXPECT_EQ(f.lstURLLst().List(13), "Ctrl + Shift + 4 \tエックス");
}

TEST_F(FavouritesDialog, ChoosingTitlesKeepsTheSelectedLine) {
  Favourite(4, "http://four.example/", "よん");
  FormIni& f = Load();
  f.lstURLLst().FeedListIndex(3);
  f.txtURL().FeedText("typed, not applied");
  f.optMode(1).FeedValue(true);
  EXPECT_EQ(state.ListMode, 1);
  EXPECT_FALSE(f.optMode(0).Value());
  EXPECT_EQ(f.lstURLLst().ListIndex(), 3);
  EXPECT_EQ(f.lstURLLst().List(3), "Ctrl + 4\t \tよん");
  EXPECT_EQ(f.txtURL().Text(), "http://four.example/");
}

TEST_F(FavouritesDialog, ApplyShowsTheSpacesButStoresTheAddressTrimmed) {
  FormIni& f = Load();
  Apply(f, 2, "  http://b.example/  ", " ビー ");
  EXPECT_EQ(f.lstURLLst().List(1), "Ctrl + 2\t \t  http://b.example/  ");
  EXPECT_EQ(f.WorkList[2].Url, "http://b.example/");
  EXPECT_EQ(f.WorkList[2].Title, "ビー");
  EXPECT_EQ(f.lstURLLst().ListIndex(), 1);
}

TEST_F(FavouritesDialog, ApplyOnAShiftLineWritesTheTabSpaceTabPattern) {
  state.ListMode = 1;
  FormIni& f = Load();
  Apply(f, 12, "http://l.example/", "エル");
  EXPECT_EQ(f.lstURLLst().List(11), "Ctrl + Shift + 2\t \tエル");
  // Rebuilding the list brings back the list's own pattern.
  f.SetUrlList();
  EXPECT_EQ(f.lstURLLst().List(11), "Ctrl + Shift + 2 \tエル");
}

TEST_F(FavouritesDialog, UpOnLineOneMovesNothingAndStaysDisabled) {
  Favourite(1, "http://one.example/", "いち");
  Favourite(2, "http://two.example/", "に");
  FormIni& f = Load();
  f.cmdUP_Click();
  EXPECT_FALSE(f.cmdUP().Enabled());
  EXPECT_EQ(f.WorkList[1].Url, "http://one.example/");
  EXPECT_EQ(f.WorkList[2].Url, "http://two.example/");
  f.lstURLLst().FeedListIndex(4);
  f.cmdDWN_Click();
  f.optMode(1).FeedValue(true);
  EXPECT_FALSE(f.cmdUP().Enabled());
  EXPECT_TRUE(f.cmdDWN().Enabled());
}

TEST_F(FavouritesDialog, DownOnLineFiveExchangesWithLineSixAndFollowsIt) {
  Favourite(5, "http://five.example/", "ご");
  Favourite(6, "http://six.example/", "ろく");
  FormIni& f = Load();
  f.lstURLLst().FeedListIndex(4);
  f.cmdDWN_Click();
  EXPECT_EQ(f.WorkList[5].Url, "http://six.example/");
  EXPECT_EQ(f.WorkList[5].Title, "ろく");
  EXPECT_EQ(f.WorkList[6].Url, "http://five.example/");
  EXPECT_EQ(f.WorkList[6].Title, "ご");
  EXPECT_EQ(f.lstURLLst().ListIndex(), 5);
  EXPECT_EQ(f.txtURL().Text(), "http://five.example/");
  EXPECT_EQ(f.txtTitle().Text(), "ご");
  EXPECT_EQ(f.lstURLLst().List(4), "Ctrl + 5\t \thttp://six.example/");
  EXPECT_EQ(f.lstURLLst().List(5), "Ctrl + 6\t \thttp://five.example/");
}

TEST_F(FavouritesDialog, DownOnLineTwentyMovesNothingAndDisablesItself) {
  Favourite(20, "http://twenty.example/", "");
  FormIni& f = Load();
  f.lstURLLst().FeedListIndex(19);
  f.cmdDWN_Click();
  EXPECT_FALSE(f.cmdDWN().Enabled());
  EXPECT_EQ(f.WorkList[20].Url, "http://twenty.example/");
  EXPECT_EQ(f.lstURLLst().ListIndex(), 19);
}

TEST_F(FavouritesDialog, CurrentPageFillsTheBoxesButNoLine) {
  FormIni& f = Load();
  main().cmbURL().SetText("http://now.example/");
  main().lblTab(state.CurTab).SetCaption("今のページ");
  f.lstURLLst().FeedListIndex(2);
  f.cmdNOW_Click();
  EXPECT_EQ(f.txtURL().Text(), "http://now.example/");
  EXPECT_EQ(f.txtTitle().Text(), "今のページ");
  EXPECT_EQ(f.lstURLLst().List(2), "Ctrl + 3\t \t");
  EXPECT_EQ(f.WorkList[3].Url, "");
}

TEST_F(FavouritesDialog, EnterOnAnOptionMovesTheFocusToTheList) {
  FormIni& f = Load();
  f.optMode_KeyDown(1, 40, 0);  // the down arrow does what it always does
  EXPECT_EQ(dialogs.focused, "");
  f.optMode_KeyDown(1, 13, 0);
  EXPECT_EQ(dialogs.focused, "lstURLLst");
}

TEST_F(FavouritesDialog, FocusSelectsTheWholeTextCountedInCharacters) {
  Favourite(1, "http://a.example/", "日本語のタイトル");
  FormIni& f = Load();
  f.txtTitle_GotFocus();
  EXPECT_EQ(f.txtTitle().SelStart(), 0);
  EXPECT_EQ(f.txtTitle().SelLength(), 8);
  f.txtURL_GotFocus();
  EXPECT_EQ(f.txtURL().SelLength(), 17);
}

// The dialog's life: opened from the menu, hidden, discarded, saving.
using FavouritesLifecycle = FavouritesTest;

TEST_F(FavouritesLifecycle, OpensModallyOnTopOfTheMainWindow) {
  Open([](FormIni& f) { f.cmdEXIT_Click(); });
  EXPECT_EQ(dialogs.runs, 1);
  EXPECT_TRUE(dialogs.visible_at_run);
}

TEST_F(FavouritesLifecycle, TitleDisplayOutlivesCancel) {
  Open([](FormIni& f) {
    f.optMode(1).FeedValue(true);
    f.cmdEXIT_Click();
  });
  EXPECT_EQ(state.ListMode, 1);
  Open([](FormIni& f) {
    EXPECT_TRUE(f.optMode(1).Value());
    f.cmdEXIT_Click();
  });
}

TEST_F(FavouritesLifecycle, CancelKeepsTheEditsAndALaterOkSavesThem) {
  Open([](FormIni& f) {
    Apply(f, 3, "http://three.example/", "さん");
    f.cmdUP_Click();
    f.lstURLLst().FeedListIndex(0);
    f.cmdUP_Click();
    f.txtURL().FeedText("typed after");
    f.cmdEXIT_Click();
  });
  EXPECT_EQ(state.UrlList[2].Url, "");
  EXPECT_FALSE(std::filesystem::exists(Ini()));
  Open([](FormIni& f) {
    EXPECT_EQ(f.lstURLLst().ListIndex(), 0);
    EXPECT_EQ(f.txtURL().Text(), "typed after");
    EXPECT_FALSE(f.cmdUP().Enabled());
    EXPECT_EQ(f.lstURLLst().List(1), "Ctrl + 2\t \thttp://three.example/");
    f.cmdOK_Click();
  });
  EXPECT_EQ(dialogs.built, 1);
  EXPECT_EQ(dialogs.destroyed, 1);
  EXPECT_EQ(state.UrlList[2].Url, "http://three.example/");
  EXPECT_EQ(ReadRaw(Ini()),
            "[URL]\r\nURL2=http://three.example/\r\n[TITLE]\r\nTITLE2=\x82\xb3\x82\xf1\r\n");
}

TEST_F(FavouritesLifecycle, DoubleClickOpensTheLineAndLosesTheEdits) {
  Favourite(4, "http://four.example/", "よん");
  Open([](FormIni& f) {
    Apply(f, 2, "http://edited.example/", "");
    f.lstURLLst().FeedListIndex(3);
    f.lstURLLst_DblClick();
  });
  EXPECT_EQ(state.TabCount, 2);
  EXPECT_EQ(BrowserAt(2).calls.back(), "Navigate2 http://four.example/");
  EXPECT_EQ(dialogs.destroyed, 1);
  EXPECT_EQ(state.UrlList[2].Url, "");
  EXPECT_FALSE(std::filesystem::exists(Ini()));
  Open([](FormIni& f) {
    EXPECT_EQ(f.WorkList[2].Url, "");
    EXPECT_TRUE(f.cmdUP().Enabled());
    f.cmdEXIT_Click();
  });
  EXPECT_EQ(dialogs.built, 2);
}

TEST_F(FavouritesLifecycle, DoubleClickOnAnEmptyPlaceStillOpensATab) {
  Open([](FormIni& f) { f.lstURLLst_DblClick(); });
  EXPECT_EQ(state.TabCount, 2);
  EXPECT_EQ(BrowserAt(2).calls.back(), "Navigate2 ");
}

TEST_F(FavouritesLifecycle, ClosingThroughTheFrameDiscardsWithoutSaving) {
  Open([](FormIni& f) {
    Apply(f, 1, "http://gone.example/", "");
    f.CloseRequested();
  });
  EXPECT_EQ(dialogs.destroyed, 1);
  EXPECT_EQ(state.UrlList[1].Url, "");
  EXPECT_FALSE(std::filesystem::exists(Ini()));
}

// What OK writes to the settings file.
using SavingFavourites = FavouritesTest;

TEST_F(SavingFavourites, NoChangeWritesNothingAndCreatesNoFile) {
  Favourite(1, "http://one.example/", "いち");
  Open([](FormIni& f) {
    f.optMode(1).FeedValue(true);
    Apply(f, 1, "http://one.example/", "いち");
    f.cmdOK_Click();
  });
  EXPECT_FALSE(std::filesystem::exists(Ini()));
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(SavingFavourites, MovingThreeUpRewritesPlacesTwoAndThreeOnly) {
  const std::string before =
      "; mine\r\n[URL]\r\nURL1=http://1/\r\nURL2=http://2/\r\nURL3=http://3/\r\nURL4=http://4/\r\n"
      "[TITLE]\r\nTITLE2=two\r\nTITLE3=three\r\n[TABULON]\r\nMODE=1\r\n";
  StartWithFile(before);
  Open([](FormIni& f) {
    f.lstURLLst().FeedListIndex(2);
    f.cmdUP_Click();
    f.cmdOK_Click();
  });
  EXPECT_EQ(
      ReadRaw(Ini()),
      "; mine\r\n[URL]\r\nURL1=http://1/\r\nURL2=http://3/\r\nURL3=http://2/\r\nURL4=http://4/\r\n"
      "[TITLE]\r\nTITLE2=three\r\nTITLE3=two\r\n[TABULON]\r\nMODE=1\r\n");
  EXPECT_EQ(state.UrlList[2].Url, "http://3/");
}

TEST_F(SavingFavourites, NewFileTakesUrlThenTitleOfEachPlaceInOrder) {
  Favourite(2, "http://2/", "two");
  Favourite(3, "http://3/", "three");
  Favourite(7, "http://7/", "seven");
  Open([](FormIni& f) {
    f.lstURLLst().FeedListIndex(2);
    f.cmdUP_Click();
    f.cmdOK_Click();
  });
  // Sections appear as their first key is written: a title written before
  // the addresses would put [TITLE] first.
  EXPECT_EQ(
      ReadRaw(Ini()),
      "[URL]\r\nURL2=http://3/\r\nURL3=http://2/\r\n[TITLE]\r\nTITLE2=three\r\nTITLE3=two\r\n");
}

TEST_F(SavingFavourites, FirstSaveCreatesOnlyTheChangedKeys) {
  Open([](FormIni& f) {
    Apply(f, 5, "http://five.example/", "");
    Apply(f, 11, "", "タイトルだけ");
    f.cmdOK_Click();
  });
  EXPECT_EQ(ReadRaw(Ini()),
            "[URL]\r\nURL5=http://five.example/\r\n[TITLE]\r\nTITLE11=\x83\x5e\x83\x43\x83\x67"
            "\x83\x8b\x82\xbe\x82\xaf\r\n");
}

TEST_F(SavingFavourites, ClearedAddressLeavesAnEmptyKey) {
  StartWithFile("[URL]\r\nURL5=http://five.example/\r\nURL6=http://six.example/\r\n");
  Open([](FormIni& f) {
    Apply(f, 5, "", "");
    f.cmdOK_Click();
  });
  EXPECT_EQ(ReadRaw(Ini()), "[URL]\r\nURL5=\r\nURL6=http://six.example/\r\n");
}

TEST_F(SavingFavourites, KeyInOtherLetterCaseIsReplacedInPlace) {
  StartWithFile("[url]\r\nurl3=http://old.example/\r\nURL4=http://4/\r\n");
  ASSERT_EQ(state.UrlList[3].Url, "http://old.example/");
  Open([](FormIni& f) {
    Apply(f, 3, "http://new.example/", "");
    f.cmdOK_Click();
  });
  EXPECT_EQ(ReadRaw(Ini()), "[url]\r\nurl3=http://new.example/\r\nURL4=http://4/\r\n");
}

TEST_F(SavingFavourites, FailedSaveIsReportedAndTheOldFileKept) {
  const std::string before = "[URL]\r\nURL1=" + std::string(300, 'a') + "\r\n";
  StartWithFile(before);
  struct rlimit old_limit;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old_limit), 0);
  const auto old_handler = signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = old_limit;
  small.rlim_cur = 200;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  Open([](FormIni& f) {
    Apply(f, 2, "http://two.example/", "");
    f.cmdOK_Click();
  });
  setrlimit(RLIMIT_FSIZE, &old_limit);
  signal(SIGXFSZ, old_handler);

  EXPECT_EQ(ReadRaw(Ini()), before);
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_NE(boxes.shown[0].first.find(Ini()), std::string::npos);
  EXPECT_NE(boxes.shown[0].first.find("ディスクの空きが足りません"), std::string::npos);
  EXPECT_EQ(state.UrlList[2].Url, "http://two.example/");
  EXPECT_EQ(dialogs.destroyed, 1);
  // The file did not change since it was read: the edits stay to be saved
  // again, not replaced by the file's old list.
  Open([](FormIni& f) { EXPECT_EQ(f.WorkList[2].Url, "http://two.example/"); });
}

}  // namespace
}  // namespace tabulon::testing
