// A favourites save is one write: all of its changes land, or none does.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <random>

#include "favourites/favourites_file.h"
#include "settings/file_io.h"
#include "settings/profile.h"
#include "settings_temp_folder.h"

namespace tabulon {
namespace {

using testing_support::ReadRaw;
using testing_support::TempFolder;
using testing_support::WriteRaw;

// Any write that makes a file larger than `bytes` fails, as a full disk
// would make it fail, for root too; lifted again when this goes.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) : old_handler_(signal(SIGXFSZ, SIG_IGN)) {
    getrlimit(RLIMIT_FSIZE, &old_);
    rlimit small = old_;
    small.rlim_cur = bytes;
    EXPECT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &old_);
    signal(SIGXFSZ, old_handler_);
  }

 private:
  rlimit old_{};
  sighandler_t old_handler_;
};

TEST(FavouritesSave, OneWriteLeavesWhatTheKeyByKeyWritesLeft) {
  TempFolder folder;
  std::mt19937 random(1729);
  const std::vector<std::string> values = {"",  "http://a.example/",  "タイトル", "x y ",
                                           "😀", std::string(300, 'q')};
  for (int round = 0; round < 40; ++round) {
    const std::string start = round % 3 == 0 ? "" : "[URL]\r\nURL2=old\r\n; note\r\n[TITLE]\r\n";
    WriteRaw(folder / "one.ini", start);
    WriteRaw(folder / "many.ini", start);
    std::vector<ProfileEntry> entries;
    for (unsigned n = random() % 8; n > 0; --n) {
      const std::string section = random() % 2 ? "URL" : "TITLE";
      entries.push_back(
          {section, section + std::to_string(1 + random() % 20), values[random() % values.size()]});
    }
    ASSERT_TRUE(WritePrivateProfileStrings(entries, folder / "one.ini").ok());
    for (const ProfileEntry& e : entries) {
      ASSERT_TRUE(WritePrivateProfileString(e.section, e.key, e.value_utf8, folder / "many.ini"));
    }
    ASSERT_EQ(ReadRaw(folder / "one.ini"), ReadRaw(folder / "many.ini")) << "round " << round;
  }
}

TEST(FavouritesSave, AFailedWriteChangesNothingAndSaysWhy) {
  TempFolder folder;
  const std::string file = folder / "tabulon.ini";
  const std::string before = "[URL]\r\nURL3=http://old.example/\r\n[TITLE]\r\nTITLE3=old\r\n";
  WriteRaw(file, before);
  Favourites saved{}, work{};
  saved[3] = {"http://old.example/", "old"};
  work[3] = {"http://new.example/" + std::string(8000, 'p'), "third"};
  std::string message;
  {
    // The long address no longer fits; the short title alone would have.
    FileSizeLimit limit(before.size() + 100);
    message = SaveChangedFavourites(work, saved, file);
  }
  EXPECT_EQ(ReadRaw(file), before);
  EXPECT_EQ(message,
            "設定ファイル " + file + " に保存できませんでした。\nディスクの空きが足りません。");
  EXPECT_EQ(SaveChangedFavourites(work, saved, file), "");
  EXPECT_EQ(GetPrivateProfileString("TITLE", "TITLE3", 255, file), "third");
}

// The message box is Japanese: no reason, known or not, is the C library's
// English text.
TEST(FavouritesSave, EveryFailureReasonIsJapanese) {
  for (int error = 0; error < 140; ++error) {
    const std::string reason = WriteFailureReason(error);
    const bool has_latin_word =
        std::adjacent_find(reason.begin(), reason.end(), [](char a, char b) {
          return std::isalpha(static_cast<unsigned char>(a)) &&
                 std::isalpha(static_cast<unsigned char>(b));
        }) != reason.end();
    EXPECT_FALSE(has_latin_word) << error << ": " << reason;
    EXPECT_TRUE(reason.ends_with("。")) << error << ": " << reason;
  }
}

// Run by check_disk_full.sh on a small tmpfs of its own, named by
// TABULON_FULL_DISK; skipped elsewhere.
TEST(FavouritesSave, OnANearlyFullDiskNothingChanges) {
  const char* disk = std::getenv("TABULON_FULL_DISK");
  if (!disk) GTEST_SKIP() << "needs a small disk of its own (check_disk_full.sh)";
  const std::string file = std::string(disk) + "/tabulon.ini";
  const std::string filler = std::string(disk) + "/filler";
  const std::string before = "[URL]\r\nURL3=http://old.example/\r\n[TITLE]\r\nTITLE3=old\r\n";
  WriteRaw(file, before);
  {
    std::ofstream fill(filler, std::ios::binary);
    const std::string block(4096, 'f');
    while (fill.write(block.data(), block.size()) && fill.flush()) {
    }
  }
  std::ifstream size_of(filler, std::ios::binary | std::ios::ate);
  const long long full = static_cast<long long>(size_of.tellg());
  ASSERT_GT(full, 4096);
  ASSERT_EQ(truncate(filler.c_str(), full - 4096), 0);  // one page left

  Favourites saved{}, work{};
  saved[3] = {"http://old.example/", "old"};
  work[3] = {"http://new.example/" + std::string(8000, 'p'), "third"};
  EXPECT_EQ(SaveChangedFavourites(work, saved, file),
            "設定ファイル " + file + " に保存できませんでした。\nディスクの空きが足りません。");
  EXPECT_EQ(ReadRaw(file), before);
}

}  // namespace
}  // namespace tabulon
