#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>
#include <string>

#include "param_names.h"
#include "settings/file_settings_store.h"
#include "settings_temp_folder.h"

namespace tabulon {
namespace {

using testing_support::Quoted;
using testing_support::ReadRaw;
using testing_support::TempFolder;
using testing_support::WriteRaw;

class FileSettingsStoreFolder : public testing::Test {
 protected:
  TempFolder folder_;
  const std::string base_ = folder_ / "config/nested";  // Not there yet.
  FileSettingsStore store_{base_};
};

TEST_F(FileSettingsStoreFolder, SavedValueReadsBackPerApplicationWhateverTheCase) {
  EXPECT_EQ(store_.GetSetting("Tabulon", "Window", "Title", "none"), "none");
  store_.SaveSetting("Tabulon", "Window", "Title", "日本語 = title");
  store_.SaveSetting("Other", "Window", "Title", "other");
  EXPECT_EQ(store_.GetSetting("Tabulon", "WINDOW", "title", "none"), "日本語 = title");
  EXPECT_EQ(store_.GetSetting("Other", "Window", "Title", "none"), "other");
  EXPECT_EQ(store_.GetSetting("Tabulon", "Window", "Width", "640"), "640");
  EXPECT_EQ(store_.GetSetting("Tabulon", "Other", "Title", "none"), "none");
}

TEST_F(FileSettingsStoreFolder, FileIsPlainUtf8KeyFile) {
  store_.SaveSetting("Tabulon", "Window", "Width", "800");
  store_.SaveSetting("Tabulon", "Window", "Title", "日本");
  store_.SaveSetting("Tabulon", "Window", "Width", "");
  EXPECT_EQ(ReadRaw(base_ + "/Tabulon/settings.conf"), "[Window]\nWidth=\nTitle=日本\n");
}

TEST_F(FileSettingsStoreFolder, ApplicationNameCannotLeaveBaseFolder) {
  store_.SaveSetting("..", "S", "k", "1");
  store_.SaveSetting("../../escape", "S", "k", "2");
  EXPECT_EQ(store_.GetSetting("..", "S", "k", ""), "1");
  EXPECT_EQ(store_.GetSetting("../../escape", "S", "k", ""), "2");
  EXPECT_FALSE(std::filesystem::exists(folder_ / "config/settings.conf"));
  EXPECT_FALSE(std::filesystem::exists(folder_ / "escape"));
}

TEST_F(FileSettingsStoreFolder, UnusableFileGivesFallbackAndSaveIsDroppedAndSaid) {
  std::filesystem::create_directories(base_ + "/Tabulon/settings.conf");
  Problems problems;
  std::vector<std::string> shown;
  problems.SetWindow([&shown](const std::string& message) { shown.push_back(message); });
  store_.SetProblems(&problems);
  store_.SaveSetting("Tabulon", "S", "k", "1");
  EXPECT_EQ(store_.GetSetting("Tabulon", "S", "k", "fallback"), "fallback");
  EXPECT_EQ(shown,
            std::vector<std::string>{"設定ファイル settings.conf を読めないため、そのまま残して"
                                     "設定を保存しません（同じ名前のフォルダーがあります）。"});

  WriteRaw(folder_ / "file", "");
  FileSettingsStore blocked(folder_ / "file");  // The base folder is a file.
  blocked.SaveSetting("Tabulon", "S", "k", "1");
  EXPECT_EQ(blocked.GetSetting("Tabulon", "S", "k", "fallback"), "fallback");
}

TEST_F(FileSettingsStoreFolder, MalformedUtf8ReadsAsReplacementCharacter) {
  std::filesystem::create_directories(base_ + "/Tabulon");
  WriteRaw(base_ + "/Tabulon/settings.conf", "[S]\nk=a\xFF\n");
  EXPECT_EQ(store_.GetSetting("Tabulon", "S", "k", ""), "a\uFFFD");
}

TEST(FileSettingsStoreWithoutFolder, ReadsFallbacksAndRefusesToSave) {
  FileSettingsStore nowhere("");
  EXPECT_EQ(nowhere.PathFor("Tabulon"), "");
  EXPECT_FALSE(nowhere.SaveSetting("Tabulon", "S", "k", "v").ok());
  EXPECT_EQ(nowhere.GetSetting("Tabulon", "S", "k", "fallback"), "fallback");
}

struct Environment {
  const char* name;
  const char* xdg_config_home;  // nullptr when not set
  const char* home;
  const char* account_home;  // from the user database
  std::string expected;
};

void PrintTo(const Environment& c, std::ostream* os) {
  *os << "XDG_CONFIG_HOME " << Quoted(c.xdg_config_home) << ", HOME " << Quoted(c.home)
      << ", account " << Quoted(c.account_home) << " -> " << Quoted(c.expected);
}

class DefaultConfigHomeChoice : public testing::TestWithParam<Environment> {};

TEST_P(DefaultConfigHomeChoice, PrefersAbsoluteXdgThenHomeThenAccountNeverASharedFolder) {
  EXPECT_EQ(DefaultConfigHome(GetParam().xdg_config_home, GetParam().home, GetParam().account_home),
            GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Environments, DefaultConfigHomeChoice,
    testing::Values(
        Environment{"AbsoluteXdg", "/x/conf", "/home/u", "/home/a", "/x/conf"},
        Environment{"EmptyXdgUsesHome", "", "/home/u", "/home/a", "/home/u/.config"},
        Environment{"HomeWithTrailingSlash", nullptr, "/home/u/", nullptr, "/home/u/.config"},
        Environment{"RelativeXdgIgnored", "relative/conf", "/home/u", nullptr, "/home/u/.config"},
        Environment{"HomeIsRoot", nullptr, "/", nullptr, "/.config"},
        Environment{"NoHomeUsesAccount", nullptr, nullptr, "/home/a", "/home/a/.config"},
        Environment{"RelativeHomeUsesAccount", "rel", "relative", "/home/a", "/home/a/.config"},
        Environment{"NothingKnownMeansNoFolder", nullptr, "", nullptr, ""},
        Environment{"RelativeAccountIgnored", nullptr, nullptr, "relative", ""}),
    testing_support::RowName());

}  // namespace
}  // namespace tabulon
