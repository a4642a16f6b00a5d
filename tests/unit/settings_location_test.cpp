#include "settings/settings_location.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>
#include <set>
#include <string>

#include "fakes/fake_favourites_toolkit.h"
#include "main_window_fixture.h"
#include "param_names.h"
#include "settings/basqks_api.h"
#include "settings_temp_folder.h"

namespace tabulon::testing {
namespace {

using testing_support::Quoted;
using testing_support::ReadRaw;
using testing_support::TempFolder;
using testing_support::WriteRaw;

// Running as root, chmod cannot make a folder unwritable, so the folders the
// user may write to are told rather than found.
FolderCheck WritableOnly(std::set<std::string> folders) {
  return [folders](const std::string& folder) { return folders.count(folder) > 0; };
}

const FolderCheck kNothingWritable = WritableOnly({});

struct Placement {
  const char* name;
  const char* exe_folder;
  bool exe_folder_writable;
  const char* config_home;
  const char* expected;
};

void PrintTo(const Placement& c, std::ostream* os) {
  *os << "executable in " << Quoted(c.exe_folder)
      << (c.exe_folder_writable ? " (writable)" : " (not writable)") << ", configuration in "
      << Quoted(c.config_home) << " -> " << Quoted(c.expected);
}

class SettingsFilePlacement : public ::testing::TestWithParam<Placement> {};

TEST_P(SettingsFilePlacement, BesideAWritableExecutableElsePerUser) {
  const Placement& p = GetParam();
  const FolderCheck writable =
      p.exe_folder_writable ? WritableOnly({p.exe_folder}) : kNothingWritable;
  EXPECT_EQ(SettingsFileFor(p.exe_folder, p.config_home, writable), p.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Folders, SettingsFilePlacement,
    ::testing::Values(Placement{"WritableExecutableFolder", "/home/u/apps/tabulon", true,
                                "/home/u/.config", "/home/u/apps/tabulon/tabulon.ini"},
                      Placement{"SystemFolder", "/usr/bin", false, "/home/u/.config",
                                "/home/u/.config/Tabulon/tabulon.ini"},
                      Placement{"ConfigHomeWithTrailingSlash", "/usr/bin", false,
                                "/home/u/.config/", "/home/u/.config/Tabulon/tabulon.ini"},
                      Placement{"ExecutableFolderWithTrailingSlash", "/opt/tabulon/", true,
                                "/home/u/.config", "/opt/tabulon/tabulon.ini"},
                      Placement{"WritableRoot", "/", true, "/home/u/.config", "/tabulon.ini"},
                      Placement{"UnwritableRoot", "/", false, "/root/.config",
                                "/root/.config/Tabulon/tabulon.ini"}),
    testing_support::RowName());

// An executable and a user's configuration folder of the test's own.
class SettingsFolders : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directory(exe_folder());
    std::filesystem::create_directory(config_home());
  }
  std::string exe_folder() const { return root / "bin"; }
  std::string config_home() const { return root / "config"; }
  std::string Beside() const { return exe_folder() + "/tabulon.ini"; }
  std::string PerUser() const { return config_home() + "/Tabulon/tabulon.ini"; }

  TempFolder root;
};

// The browser installed in a folder its user cannot write to.
class InstalledBrowser : public SettingsFolders {
 protected:
  std::string Prepare() {
    return PrepareSettingsFile(exe_folder(), config_home(), kNothingWritable);
  }
};

TEST_F(InstalledBrowser, FirstStartCopiesTheFileBesideTheExecutableByteForByte) {
  // Shift-JIS titles and CR LF line ends, as the Windows version wrote them.
  const std::string bytes = "[URL]\r\nURL1=http://a.example/\r\n[TITLE]\r\nTITLE1=\x82\xa0\r\n";
  WriteRaw(Beside(), bytes);
  EXPECT_EQ(Prepare(), PerUser());
  EXPECT_EQ(ReadRaw(PerUser()), bytes);
  EXPECT_EQ(ReadRaw(Beside()), bytes);
}

TEST_F(InstalledBrowser, APerUserFileThatExistsIsNeverReplaced) {
  WriteRaw(Beside(), "[URL]\r\nURL1=http://shipped.example/\r\n");
  std::filesystem::create_directory(config_home() + "/Tabulon");
  WriteRaw(PerUser(), "[URL]\r\nURL1=http://saved.example/\r\n");
  Prepare();
  EXPECT_EQ(ReadRaw(PerUser()), "[URL]\r\nURL1=http://saved.example/\r\n");
}

TEST_F(InstalledBrowser, WithoutAFileBesideTheFirstSaveStillFindsItsFolder) {
  const std::string file = Prepare();
  EXPECT_FALSE(std::filesystem::exists(file));
  EXPECT_TRUE(PutIniStr("URL", "URL1", "http://a.example/", file));
  EXPECT_EQ(GetIniStr("URL", "URL1", 100, file), "http://a.example/");
}

TEST_F(InstalledBrowser, LeavesNoTemporaryFilesBehind) {
  WriteRaw(Beside(), "[URL]\r\nURL1=x\r\n");
  Prepare();
  Prepare();
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(config_home() + "/Tabulon")) {
    names.insert(entry.path().filename().string());
  }
  EXPECT_EQ(names, std::set<std::string>{"tabulon.ini"});
}

TEST_F(InstalledBrowser, ReadsTheFileBesideWhenThePerUserFolderCannotBeMade) {
  // A file where the configuration folder should be: no folder can be made
  // under it, whoever runs the test.
  WriteRaw(root / "not-a-folder", "");
  WriteRaw(Beside(), "[URL]\r\nURL1=x\r\n");
  EXPECT_EQ(PrepareSettingsFile(exe_folder(), root / "not-a-folder", kNothingWritable), Beside());
}

// A portable copy in a folder of the user's own.
class PortableBrowser : public SettingsFolders {};

TEST_F(PortableBrowser, KeepsItsFileBesideItselfAndTouchesNoPerUserFolder) {
  WriteRaw(Beside(), "[URL]\r\nURL1=x\r\n");
  EXPECT_EQ(PrepareSettingsFile(exe_folder(), config_home(), WritableOnly({exe_folder()})),
            Beside());
  EXPECT_FALSE(std::filesystem::exists(config_home() + "/Tabulon"));
}

// The check the program uses; what it says about a folder the user may not
// write to depends on who runs the test, so only the sure answers are tested.
TEST(RealFolderCheck, AFreshFolderOfOurOwnIsWritable) {
  TempFolder folder;
  EXPECT_TRUE(FolderWritable(folder.path()));
}

TEST(RealFolderCheck, AMissingFolderIsNotWritable) {
  TempFolder folder;
  EXPECT_FALSE(FolderWritable(folder / "missing"));
  EXPECT_FALSE(FolderWritable(""));
}

// The whole program: an installed browser finds the favourites it saved at
// its last run, and saving never touches the file beside the executable.
class InstalledBrowserFavourites : public MainWindowTest {
 protected:
  void SetUp() override {
    app.SetUserConfigFolder(config.path(), kNothingWritable);
    app.SetFavouritesToolkit(&dialogs);
  }
  std::string PerUser() const { return config / "Tabulon/tabulon.ini"; }

  FakeFavouritesToolkit dialogs;
  TempFolder config;
};

TEST_F(InstalledBrowserFavourites, SavedFavouritesAreThereAtTheNextStart) {
  Start();
  dialogs.user = [](FormIni& f) {
    f.lstURLLst().FeedListIndex(0);
    f.txtURL().FeedText("http://kept.example/");
    f.txtTitle().FeedText("残る");
    f.cmdChg_Click();
    f.cmdOK_Click();
  };
  main().Menu("m_List").Click();
  EXPECT_TRUE(boxes.shown.empty());

  // The next start reads the per-user file, as a fresh state loads it.
  AppState next_run;
  next_run.SettingsFile = PerUser();
  LoadSettings(next_run);
  EXPECT_EQ(next_run.UrlList[1].Url, "http://kept.example/");
  EXPECT_EQ(next_run.UrlList[1].Title, "残る");
}

TEST_F(InstalledBrowserFavourites, StartReadsThePerUserFile) {
  std::filesystem::create_directory(config / "Tabulon");
  WriteRaw(PerUser(), "[URL]\r\nURL3=http://three.example/\r\n[TABULON]\r\nMODE=1\r\n");
  Start();
  EXPECT_EQ(state.UrlList[3].Url, "http://three.example/");
  EXPECT_EQ(state.ListMode, 1);
}

}  // namespace
}  // namespace tabulon::testing
