#include "browsing/page_features.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "browsing/download_gate.h"
#include "browsing/page_dialog_rule.h"
#include "param_names.h"

namespace tabulon {
namespace {

using testing_support::Quoted;

struct NameCase {
  const char* name;
  const char* suggested;
  const char* saved;
};

void PrintTo(const NameCase& c, std::ostream* os) {
  *os << Quoted(c.suggested) << " saved as " << Quoted(c.saved);
}

class SuggestedDownloadName : public ::testing::TestWithParam<NameCase> {};

TEST_P(SuggestedDownloadName, StaysASingleNameInsideTheChosenFolder) {
  EXPECT_EQ(SafeDownloadName(GetParam().suggested), GetParam().saved);
}

INSTANTIATE_TEST_SUITE_P(
    Hostile, SuggestedDownloadName,
    ::testing::Values(NameCase{"PlainName", "report.pdf", "report.pdf"},
                      NameCase{"JapaneseWithSpace", "報告書 2024.xlsx", "報告書 2024.xlsx"},
                      NameCase{"ClimbsOutOfTheFolder", "../../.bashrc", "bashrc"},
                      NameCase{"ParentFolder", "..", kDefaultDownloadName},
                      NameCase{"CurrentFolder", ".", kDefaultDownloadName},
                      NameCase{"Empty", "", kDefaultDownloadName},
                      NameCase{"AbsolutePath", "/etc/passwd", "passwd"},
                      NameCase{"FolderOnly", "dir/", kDefaultDownloadName},
                      NameCase{"WindowsSeparators", "..\\..\\win.ini", "win.ini"},
                      NameCase{"ControlCharacters", "a\nb\rc\td\x7f.txt", "abcd.txt"},
                      NameCase{"TerminalEscape", "\x1b[31mred.sh", "[31mred.sh"},
                      NameCase{"LeadingDotsAndSpaces", "  ...hidden  ", "hidden"},
                      NameCase{"DoubleDotInside", "file..tar.gz", "file..tar.gz"}),
    testing_support::RowName());

TEST(LongDownloadName, IsCutToTheFileSystemLimitKeepingItsExtension) {
  std::string name = std::string(300, 'a') + ".zip";
  std::string saved = SafeDownloadName(name);
  EXPECT_EQ(saved.size(), 255u);
  EXPECT_EQ(saved.substr(saved.size() - 4), ".zip");
}

TEST(LongDownloadName, IsNeverCutInsideAJapaneseCharacter) {
  std::string name;
  for (int i = 0; i < 100; ++i) name += "あ";  // 3 bytes each
  std::string saved = SafeDownloadName(name + ".txt");
  EXPECT_LE(saved.size(), 255u);
  EXPECT_EQ((saved.size() - 4) % 3, 0u) << "a character was split";
  EXPECT_EQ(saved.substr(saved.size() - 4), ".txt");
}

TEST(ZoomSteps, InAndOutWalkTheStepsThroughNormalSize) {
  EXPECT_DOUBLE_EQ(ZoomIn(1.0), 1.1);
  EXPECT_DOUBLE_EQ(ZoomOut(1.1), 1.0);
  EXPECT_DOUBLE_EQ(ZoomOut(1.0), 0.9);
  EXPECT_DOUBLE_EQ(ZoomIn(0.9), 1.0);
}

TEST(ZoomSteps, TheEndsOfTheScaleHold) {
  EXPECT_DOUBLE_EQ(ZoomIn(3.0), 3.0);
  EXPECT_DOUBLE_EQ(ZoomOut(0.3), 0.3);
}

TEST(ZoomSteps, ALevelBetweenStepsGoesToTheNearestStepThatWay) {
  EXPECT_DOUBLE_EQ(ZoomIn(1.05), 1.1);
  EXPECT_DOUBLE_EQ(ZoomOut(1.05), 1.0);
  // Rounding from the engine must not skip a step.
  EXPECT_DOUBLE_EQ(ZoomIn(1.0999999), 1.25);
  EXPECT_DOUBLE_EQ(ZoomOut(1.1000001), 1.0);
}

TEST(ZoomSteps, ALevelBeyondTheScaleIsNotPulledTheWrongWay) {
  EXPECT_DOUBLE_EQ(ZoomIn(5.0), 5.0);
  EXPECT_DOUBLE_EQ(ZoomOut(5.0), 3.0);
  EXPECT_DOUBLE_EQ(ZoomOut(0.1), 0.1);
  EXPECT_DOUBLE_EQ(ZoomIn(0.1), 0.3);
}

TEST(PageAreaTexts, ZoomIsAWholePercentage) {
  EXPECT_EQ(ZoomText(1.0), "拡大率: 100%");
  EXPECT_EQ(ZoomText(0.67), "拡大率: 67%");
  EXPECT_EQ(ZoomText(1.25), "拡大率: 125%");
}

TEST(PageAreaTexts, FindCountSaysNoneSomeOrMoreThanCounted) {
  EXPECT_EQ(FindCountText(0, 1000), "見つかりません");
  EXPECT_EQ(FindCountText(3, 1000), "3 件");
  EXPECT_EQ(FindCountText(1000, 1000), "1000 件");
  EXPECT_EQ(FindCountText(4294967295u, 1000), "1000 件以上");
}

TEST(PageAreaTexts, DownloadReportsNameTheFile) {
  EXPECT_EQ(DownloadDoneText("a.zip"), "ダウンロード完了: a.zip");
  EXPECT_EQ(DownloadFailedText("a.zip"), "ダウンロード失敗: a.zip");
  EXPECT_EQ(DownloadCancelledText("a.zip"), "ダウンロード中止: a.zip");
  EXPECT_EQ(DownloadStartedText("a.zip"), "ダウンロード中: a.zip");
}

}  // namespace
}  // namespace tabulon

namespace tabulon {
namespace {

// A page raising dialog after dialog: the second offers to stop them; once
// stopped, the rest are answered without asking until the page changes.
TEST(PageDialogs, CanBeStoppedFromTheSecondOnUntilThePageIsNavigated) {
  PageDialogPolicy policy;
  EXPECT_TRUE(policy.ShouldShow());
  EXPECT_FALSE(policy.OffersToStop());
  EXPECT_TRUE(policy.ShouldShow());
  EXPECT_TRUE(policy.OffersToStop());
  policy.StopShowing();
  EXPECT_FALSE(policy.ShouldShow());
  EXPECT_FALSE(policy.ShouldShow());
  policy.PageNavigated();
  EXPECT_TRUE(policy.ShouldShow());
  EXPECT_FALSE(policy.OffersToStop());

  EXPECT_TRUE(AnswerWithoutAsking(PageDialogKind::kAlert));
  EXPECT_TRUE(AnswerWithoutAsking(PageDialogKind::kLeavePage));
  EXPECT_FALSE(AnswerWithoutAsking(PageDialogKind::kConfirm));
  EXPECT_FALSE(AnswerWithoutAsking(PageDialogKind::kPrompt));
}

}  // namespace
}  // namespace tabulon

namespace tabulon {
namespace {

// A page starting downloads: one per click goes on; one without a click, or
// a second too soon, is held; refused, the page's next ones are dropped
// until it is navigated.
TEST(DownloadGate, LetsOneDownloadPerUserActionAndHoldsTheRest) {
  constexpr std::int64_t s = 1'000'000;
  DownloadGate gate;
  EXPECT_EQ(gate.Arrived(100 * s, 0), DownloadGate::Verdict::kHold) << "no click";
  gate.Allow();
  EXPECT_EQ(gate.Arrived(101 * s, 100 * s), DownloadGate::Verdict::kAsk);
  EXPECT_EQ(gate.Arrived(102 * s, 100 * s), DownloadGate::Verdict::kHold) << "same click";
  EXPECT_EQ(gate.Arrived(103 * s, 103 * s), DownloadGate::Verdict::kHold) << "while held";
  gate.Allow();
  EXPECT_EQ(gate.Arrived(104 * s, 104 * s), DownloadGate::Verdict::kHold) << "too soon";
  gate.Allow();
  EXPECT_EQ(gate.Arrived(105 * s, 105 * s, true), DownloadGate::Verdict::kAsk) << "typed";
  EXPECT_EQ(gate.Arrived(106 * s, 106 * s), DownloadGate::Verdict::kHold) << "soon after";
  gate.Refuse();
  EXPECT_EQ(gate.Arrived(120 * s, 120 * s), DownloadGate::Verdict::kRefuse);
  gate.PageNavigated();
  EXPECT_EQ(gate.Arrived(121 * s, 121 * s), DownloadGate::Verdict::kAsk);
}

}  // namespace
}  // namespace tabulon
