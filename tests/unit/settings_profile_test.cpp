#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "param_names.h"
#include "settings/profile.h"
#include "settings_temp_folder.h"

namespace tabulon {
namespace {

using testing_support::ReadRaw;
using testing_support::TempFolder;
using testing_support::WriteRaw;

class ProfileFile : public testing::Test {
 protected:
  std::string Get(const std::string& section, const std::string& key, int size = 4096) {
    return GetPrivateProfileString(section, key, size, ini_);
  }
  bool Write(const std::string& section, const std::string& key, const std::string& value) {
    return WritePrivateProfileString(section, key, value, ini_);
  }
  // Files beside the settings file, not counting the lock every writer shares.
  std::size_t FolderEntryCount() const {
    std::size_t count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder_.path())) {
      if (entry.path().filename() != "tabulon.ini.lock") ++count;
    }
    return count;
  }

  TempFolder folder_;
  const std::string ini_ = folder_ / "tabulon.ini";
};

TEST_F(ProfileFile, MissingFileSectionOrKeyReadsEmpty) {
  EXPECT_EQ(Get("Fav", "Url1"), "");
  WriteRaw(ini_, "[Fav]\r\nUrl1=a\r\n");
  EXPECT_EQ(Get("Window", "Url1"), "");
  EXPECT_EQ(Get("Fav", "Url2"), "");
}

TEST_F(ProfileFile, JapaneseIsStoredAsShiftJis) {
  ASSERT_TRUE(Write("Fav", "Name", "あ"));  // A missing file is created, with CRLF.
  EXPECT_EQ(ReadRaw(ini_), "[Fav]\r\nName=\x82\xA0\r\n");
  ASSERT_TRUE(Write("お気に入り", "名前", "①髙～ 表示"));
  EXPECT_EQ(Get("お気に入り", "名前"), "①髙～ 表示");
}

TEST_F(ProfileFile, FileWithByteOrderMarkStaysUtf8) {
  WriteRaw(ini_, "\xEF\xBB\xBF[Fav]\r\nName=\xC3\xA9\r\n");
  EXPECT_EQ(Get("Fav", "Name"), "é");
  ASSERT_TRUE(Write("Fav", "Name", "あ"));
  EXPECT_EQ(ReadRaw(ini_), "\xEF\xBB\xBF[Fav]\r\nName=\xE3\x81\x82\r\n");
}

TEST_F(ProfileFile, GarbledBytesReadAsReplacementCharacters) {
  WriteRaw(ini_, "[Fav]\r\nName=A\xFF\x82\r\n");
  EXPECT_EQ(Get("Fav", "Name"), "A\uFFFD\uFFFD");
}

TEST_F(ProfileFile, BinaryFileIsReadAndExtendedWithoutLoss) {
  std::mt19937 random(7);
  std::string noise(1 << 16, '\0');
  for (char& c : noise) c = static_cast<char>(random());
  WriteRaw(ini_, noise);
  EXPECT_EQ(Get("Fav", "Name"), "");
  ASSERT_TRUE(Write("Fav", "Name", "x"));
  EXPECT_EQ(ReadRaw(ini_).substr(0, noise.size()), noise);
  EXPECT_EQ(Get("Fav", "Name"), "x");
}

TEST_F(ProfileFile, LongLinesAndTenMegabyteFileWork) {
  std::string file;
  for (int i = 0; file.size() < (10u << 20); ++i) {
    file += "[Section" + std::to_string(i) + "]\r\nUrl=http://example.com/p\r\nTitle=Page\r\n";
  }
  const std::string long_value(300 << 10, 'L');
  file += "[Last]\r\nLong=" + long_value + "\r\nUrl=old\r\n";
  WriteRaw(ini_, file);

  EXPECT_EQ(Get("last", "LONG", 1 << 20), long_value);
  ASSERT_TRUE(Write("Last", "Url", "new"));
  EXPECT_EQ(ReadRaw(ini_), file.substr(0, file.size() - 5) + "new\r\n");
}

struct CutCase {
  const char* rule;
  std::string stored;  // Code page 932 bytes.
  int size;
  std::string expected;
};

void PrintTo(const CutCase& c, std::ostream* os) {
  *os << c.rule << ": " << testing_support::Quoted(c.stored) << " read with size " << c.size
      << " -> " << testing_support::Quoted(c.expected);
}

class ProfileBufferSize : public testing::TestWithParam<CutCase> {
 protected:
  TempFolder folder_;
};

TEST_P(ProfileBufferSize, TakesAtMostSizeMinusOneBytesOfWholeCharacters) {
  const std::string ini = folder_ / "tabulon.ini";
  WriteRaw(ini, "[Fav]\r\nName=" + GetParam().stored + "\r\n");
  EXPECT_EQ(GetPrivateProfileString("Fav", "Name", GetParam().size, ini), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, ProfileBufferSize,
    testing::Values(CutCase{"LongValue", std::string(150, 'x'), 100, std::string(99, 'x')},
                    CutCase{"FitsExactly", "abc", 4, "abc"},
                    CutCase{"DoubleByteAtCut", std::string(98, 'a') + "\x82\xA0", 100,
                            std::string(98, 'a')},
                    CutCase{"DoubleByteBeforeCut", std::string(98, 'a') + "\x82\xA0", 101,
                            std::string(98, 'a') + "あ"},
                    CutCase{"SizeOne", "abc", 1, ""}, CutCase{"SizeZero", "abc", 0, ""},
                    CutCase{"NegativeSize", "abc", -5, ""}),
    [](const auto& info) { return std::string(info.param.rule); });

TEST_F(ProfileFile, DirectoryAtPathReadsEmptyAndRefusesWrite) {
  ASSERT_EQ(mkdir(ini_.c_str(), 0755), 0);
  EXPECT_EQ(Get("Fav", "Name"), "");
  EXPECT_FALSE(Write("Fav", "Name", "x"));
  EXPECT_TRUE(std::filesystem::is_directory(ini_));
}

TEST_F(ProfileFile, OversizedFileIsNeitherReadNorReplaced) {
  WriteRaw(ini_, "[Fav]\r\nName=x\r\n");
  ASSERT_EQ(truncate(ini_.c_str(), 65 << 20), 0);  // Sparse, so cheap.
  EXPECT_EQ(Get("Fav", "Name"), "");
  EXPECT_FALSE(Write("Fav", "Name", "y"));
  EXPECT_EQ(std::filesystem::file_size(ini_), 65u << 20);
}

TEST_F(ProfileFile, MissingFolderFailsWithoutCreatingIt) {
  EXPECT_FALSE(WritePrivateProfileString("Fav", "Name", "x", folder_ / "missing/tabulon.ini"));
  EXPECT_EQ(FolderEntryCount(), 0u);
}

TEST_F(ProfileFile, PermissionBitsSurviveAWrite) {
  WriteRaw(ini_, "[Fav]\r\n");
  ASSERT_EQ(chmod(ini_.c_str(), 0640), 0);
  ASSERT_TRUE(Write("Fav", "Name", "x"));
  struct stat info;
  ASSERT_EQ(stat(ini_.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
}

TEST_F(ProfileFile, SymbolicLinkStaysALink) {
  WriteRaw(folder_ / "real.ini", "[Fav]\r\nName=old\r\n");
  ASSERT_EQ(symlink("real.ini", ini_.c_str()), 0);
  ASSERT_TRUE(Write("Fav", "Name", "new"));
  EXPECT_TRUE(std::filesystem::is_symlink(ini_));
  EXPECT_EQ(ReadRaw(folder_ / "real.ini"), "[Fav]\r\nName=new\r\n");
}

TEST_F(ProfileFile, FailedWriteLeavesOldFileAndNoTemporary) {
  const std::string before = "[Fav]\r\nName=old\r\n";
  WriteRaw(ini_, before);
  // A file size limit makes the write fail half-way through, even for root,
  // which permission bits would not stop.
  struct rlimit old_limit;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old_limit), 0);
  const auto old_handler = signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = old_limit;
  small.rlim_cur = 1 << 20;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const bool written = Write("Fav", "Name", std::string(2 << 20, 'x'));
  setrlimit(RLIMIT_FSIZE, &old_limit);
  signal(SIGXFSZ, old_handler);

  EXPECT_FALSE(written);
  EXPECT_EQ(ReadRaw(ini_), before);
  EXPECT_EQ(FolderEntryCount(), 1u);
}

// Random sequences of writes against a map of what every key should hold.
class ProfileWriteSequences : public ProfileFile {};

TEST_F(ProfileWriteSequences, EveryKeyReadsBackAsModelled) {
  const std::vector<std::string> sections = {"Favourites", "Window", "お気に入り", "Zone9"};
  const std::vector<std::string> keys = {"Url1", "Left", "名前", "x"};
  const std::vector<std::string> values = {
      "", "http://a.example/?q=1&r=2", "日本語のタイトル", "a = b", "\"quoted\"", "①髙～", "7"};
  std::mt19937 random(20240611);
  const auto vary_case = [&](std::string name) {
    for (char& c : name) {
      if (std::isalpha(static_cast<unsigned char>(c)) && random() % 2 == 0) c ^= 0x20;
    }
    return name;
  };

  for (int run = 0; run < 200; ++run) {
    const std::string eol = run % 2 == 0 ? "\r\n" : "\n";
    const std::string preamble = "; keep me" + eol + eol;
    WriteRaw(ini_, preamble + "[Window]" + eol + "Left=1" + eol);
    std::map<std::pair<std::size_t, std::size_t>, std::string> model{{{1, 1}, "1"}};

    for (int step = 0, steps = 1 + static_cast<int>(random() % 8); step < steps; ++step) {
      const std::size_t s = random() % sections.size(), k = random() % keys.size();
      const std::string& value = values[random() % values.size()];
      ASSERT_TRUE(Write(vary_case(sections[s]), vary_case(keys[k]), value));
      model[{s, k}] = value;
      for (std::size_t cs = 0; cs < sections.size(); ++cs) {
        for (std::size_t ck = 0; ck < keys.size(); ++ck) {
          const auto expected = model.find({cs, ck});
          ASSERT_EQ(Get(vary_case(sections[cs]), vary_case(keys[ck])),
                    expected == model.end() ? "" : expected->second)
              << "run " << run << " step " << step << ": [" << sections[cs] << "] " << keys[ck];
        }
      }
    }
    ASSERT_EQ(ReadRaw(ini_).substr(0, preamble.size()), preamble) << "run " << run;
  }
}

}  // namespace
}  // namespace tabulon
