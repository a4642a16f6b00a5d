// Saves killed at random moments, and two programs saving at once.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "kill_at_random.h"
#include "settings/file_io.h"
#include "settings/file_settings_store.h"
#include "settings/profile.h"
#include "settings_temp_folder.h"

namespace tabulon {
namespace {

using testing_support::KillSavesAtRandom;
using testing_support::ReadRaw;
using testing_support::TempFolder;
using testing_support::WriteRaw;

// Sets a file's times (not a link's target's) an hour back.
void AgeByAnHour(const std::string& path) {
  const timespec hour_ago{time(nullptr) - 3600, 0};
  const timespec times[2] = {hour_ago, hour_ago};
  ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << path;
}

std::vector<std::string> Names(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.push_back(entry.path().filename());
  }
  std::sort(names.begin(), names.end());
  return names;
}

TEST(SavesKilledHalfway, LeaveTheFavouritesFileOldOrNewNeverMixed) {
  TempFolder folder;
  const std::string ini = folder / "tabulon.ini";
  const std::string long_a(300, 'a');
  const std::string long_b = "日本語" + std::string(200, 'b');
  ASSERT_TRUE(WritePrivateProfileString("URL", "URL1", long_a, ini));
  ASSERT_TRUE(WritePrivateProfileString("TITLE", "TITLE1", "タイトル", ini));
  const std::string state_a = ReadRaw(ini);
  ASSERT_TRUE(WritePrivateProfileString("URL", "URL1", long_b, ini));
  const std::string state_b = ReadRaw(ini);

  const int checked = KillSavesAtRandom(
      300,
      [&](unsigned i) { WritePrivateProfileString("URL", "URL1", i % 2 ? long_a : long_b, ini); },
      [&] {
        const std::string now = ReadRaw(ini);
        return now == state_a || now == state_b;
      });
  EXPECT_EQ(checked, 300);

  // Whatever the killed saves left behind goes at the next start, once old.
  for (const std::string& name : Names(folder.path())) AgeByAnHour(folder / name);
  RemoveStaleTempFiles(folder.path());
  EXPECT_EQ(Names(folder.path()), (std::vector<std::string>{"tabulon.ini", "tabulon.ini.lock"}));
}

TEST(SavesKilledHalfway, LeftoversGoOnlyWhenOursOldAndUnlocked) {
  TempFolder folder;
  for (const char* name : {".tabulon-a.ini.OLD111", ".tabulon-a.ini.LOCKED",
                           ".tabulon-a.ini.NEW222", "a.ini", "target"}) {
    WriteRaw(folder / name, "x");
  }
  std::filesystem::create_symlink(folder / "target", folder / ".tabulon-link");
  for (const char* name :
       {".tabulon-a.ini.OLD111", ".tabulon-a.ini.LOCKED", "a.ini", "target", ".tabulon-link"}) {
    AgeByAnHour(folder / name);
  }
  // A save still running holds its temporary file locked.
  const int running = open((folder / ".tabulon-a.ini.LOCKED").c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_EQ(flock(running, LOCK_EX), 0);

  RemoveStaleTempFiles(folder.path());
  close(running);
  EXPECT_EQ(Names(folder.path()),
            (std::vector<std::string>{".tabulon-a.ini.LOCKED", ".tabulon-a.ini.NEW222",
                                      ".tabulon-link", "a.ini", "target"}));
}

TEST(SavesKilledHalfway, LeaveTheSettingsStoreOldOrNewNeverMixed) {
  TempFolder folder;
  FileSettingsStore store(folder.path());
  store.SaveSetting("Tabulon", "Settings", "MainLeft", "1000");
  store.SaveSetting("Tabulon", "Internet", "HomePage", "http://home/");
  const std::string path = store.PathFor("Tabulon");
  const std::string state_a = ReadRaw(path);
  store.SaveSetting("Tabulon", "Settings", "MainLeft", "123456789");
  const std::string state_b = ReadRaw(path);

  const int checked = KillSavesAtRandom(
      300,
      [&](unsigned i) {
        store.SaveSetting("Tabulon", "Settings", "MainLeft", i % 2 ? "1000" : "123456789");
      },
      [&] {
        const std::string now = ReadRaw(path);
        return now == state_a || now == state_b;
      });
  EXPECT_EQ(checked, 300);
}

// The browser keeps its window placement and the options program its
// addresses in the same file; each saves a key at a time, a thousand times,
// at the same moment as the other.
TEST(TwoProgramsSavingTheStore, LoseNoneOfEachOthersKeys) {
  TempFolder folder;
  constexpr int kSaves = 1000;
  auto run = [&](const char* section, const char* key) {
    const pid_t child = fork();
    if (child == 0) {
      FileSettingsStore store(folder.path());
      for (int i = 1; i <= kSaves; ++i) {
        store.SaveSetting("Tabulon", section, key, std::to_string(i));
      }
      _exit(0);
    }
    return child;
  };
  const pid_t browser = run("Settings", "MainLeft");
  const pid_t options = run("Internet", "HomePage");
  for (pid_t child : {browser, options}) {
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
  }
  FileSettingsStore store(folder.path());
  EXPECT_EQ(store.GetSetting("Tabulon", "Settings", "MainLeft", ""), std::to_string(kSaves));
  EXPECT_EQ(store.GetSetting("Tabulon", "Internet", "HomePage", ""), std::to_string(kSaves));
}

}  // namespace
}  // namespace tabulon
