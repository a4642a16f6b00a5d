#include <gtest/gtest.h>

#include <cctype>
#include <functional>
#include <ostream>
#include <string>

#include "about/about_texts.h"
#include "about/frm_qksinfo.h"
#include "fakes/fake_about_toolkit.h"
#include "main_window_fixture.h"
#include "param_names.h"

namespace tabulon::testing {
namespace {

using testing_support::Quoted;

struct VersionCase {
  int major, minor, revision;
  const char* text;
};

void PrintTo(const VersionCase& c, std::ostream* os) {
  *os << c.major << '.' << c.minor << '.' << c.revision << " -> " << Quoted(c.text);
}

class VersionTextFromNumbers : public ::testing::TestWithParam<VersionCase> {};

TEST_P(VersionTextFromNumbers, ReadsTabulonVerAndTheDecimalNumbers) {
  const VersionCase& c = GetParam();
  EXPECT_EQ(VersionText(c.major, c.minor, c.revision), c.text);
}

INSTANTIATE_TEST_SUITE_P(Versions, VersionTextFromNumbers,
                         ::testing::Values(VersionCase{1, 0, 3, "Tabulon Ver 1.0.3"},
                                           VersionCase{0, 0, 0, "Tabulon Ver 0.0.0"},
                                           VersionCase{2, 10, 0, "Tabulon Ver 2.10.0"},
                                           VersionCase{12, 3, 456, "Tabulon Ver 12.3.456"}),
                         [](const auto& info) {
                           const VersionCase& c = info.param;
                           return "Ver" + std::to_string(c.major) + "_" + std::to_string(c.minor) +
                                  "_" + std::to_string(c.revision);
                         });

// The program is running and the user opens ヘルプ → バージョン情報.
class AboutBoxShown : public MainWindowTest {
 protected:
  FakeAboutToolkit about;

  void SetUp() override {
    app.SetAboutToolkit(&about);
    Start();
  }
  // Opens the box from the help menu; the user does `act` while it is shown.
  void OpenAboutAnd(const std::function<void(frmQKSinfo&)>& act) {
    about.while_shown = act;
    main().Menu("m_ver").Click();
  }
};

TEST_F(AboutBoxShown, EnterOnTheOkButtonClosesItOnce) {
  OpenAboutAnd([](frmQKSinfo& box) { box.KeyPreview(13); });
  EXPECT_EQ(about.end_modal_calls, 1);
}

TEST_F(AboutBoxShown, EscClosesIt) {
  OpenAboutAnd([](frmQKSinfo& box) { box.KeyPreview(27); });
  EXPECT_EQ(about.end_modal_calls, 1);
}

TEST_F(AboutBoxShown, AClickOnTheFreeAreaClosesIt) {
  OpenAboutAnd([](frmQKSinfo& box) { box.Form_Click(); });
  EXPECT_EQ(about.end_modal_calls, 1);
}

TEST_F(AboutBoxShown, TheCloseBoxClosesIt) {
  OpenAboutAnd([](frmQKSinfo& box) { box.CloseRequested(); });
  EXPECT_EQ(about.end_modal_calls, 1);
}

TEST_F(AboutBoxShown, ShowsTheVersionTextWhileOpen) {
  std::string shown;
  OpenAboutAnd([&](frmQKSinfo& box) { shown = box.lblVersion().Caption(); });
  EXPECT_EQ(shown.rfind("Tabulon Ver ", 0), 0u) << shown;
}

TEST_F(AboutBoxShown, IsDiscardedAfterItsRunAndMadeAnewNextTime) {
  OpenAboutAnd([](frmQKSinfo& box) { box.cmdOK_Click(); });
  EXPECT_EQ(about.discards, 1);
  OpenAboutAnd([](frmQKSinfo& box) { box.cmdOK_Click(); });
  EXPECT_EQ(about.builds, 2);
  EXPECT_EQ(about.end_modal_calls, 2);
}

class AboutBoxKeys : public AboutBoxShown, public ::testing::WithParamInterface<int> {};

TEST_P(AboutBoxKeys, OtherCharactersLeaveItOpen) {
  bool consumed = true;
  OpenAboutAnd([&](frmQKSinfo& box) { consumed = box.KeyPreview(GetParam()); });
  EXPECT_FALSE(about.Closed());
  EXPECT_FALSE(consumed) << "the focused button must still see the key";
}

// "Key_a" for a letter or digit, else what the character is called.
std::string KeyName(const ::testing::TestParamInfo<int>& info) {
  switch (info.param) {
    case ' ': return "Space";
    case 8: return "Backspace";
    case 10: return "LineFeed";
    case 12: return "FormFeed";
  }
  if (info.param > 0 && info.param < 0x80 && std::isalnum(info.param)) {
    return std::string("Key_") + static_cast<char>(info.param);
  }
  return "Code" + std::to_string(info.param);
}

INSTANTIATE_TEST_SUITE_P(Characters, AboutBoxKeys, ::testing::Values('a', 'Q', '1', ' ', 8, 10, 12),
                         KeyName);

struct ControlCase {
  const char* name;
  std::function<Control&(frmQKSinfo&)> control;
};

void PrintTo(const ControlCase& c, std::ostream* os) { *os << c.name; }

class AboutBoxClicksOnText : public AboutBoxShown,
                             public ::testing::WithParamInterface<ControlCase> {};

TEST_P(AboutBoxClicksOnText, DoNothing) {
  OpenAboutAnd([](frmQKSinfo& box) { box.ControlClick(GetParam().control(box)); });
  EXPECT_FALSE(about.Closed());
  EXPECT_EQ(state.TabCount, 1);
  EXPECT_TRUE(about.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Labels, AboutBoxClicksOnText,
    ::testing::Values(
        ControlCase{"Label4", [](frmQKSinfo& b) -> Control& { return b.Label4(); }},
        ControlCase{"Label5", [](frmQKSinfo& b) -> Control& { return b.Label5(); }},
        ControlCase{"lblVersion", [](frmQKSinfo& b) -> Control& { return b.lblVersion(); }},
        ControlCase{"picIcon", [](frmQKSinfo& b) -> Control& { return b.picIcon(); }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(AboutBoxShown, TheFourLinkAreasShowTheHandAndTheToolTip) {
  OpenAboutAnd([](frmQKSinfo& box) {
    for (AboutLabel* label : {&box.Label4(), &box.Label1(), &box.Label5(), &box.lblHomePage()}) {
      EXPECT_EQ(label->Pointer(), MousePointer::Hand);
      EXPECT_EQ(label->ToolTipText(), "QKSのホームページへ");
    }
    EXPECT_EQ(box.lblVersion().Pointer(), MousePointer::Default);
    box.cmdOK_Click();
  });
}

// The links open the maker's pages in new tabs of the main window.
class AboutBoxLinks : public AboutBoxShown {};

TEST_F(AboutBoxLinks, FirstLinkWithTwoTabsAddsAThirdInTheBackground) {
  OpenTabsUntil(2);
  const int current = state.CurTab;
  OpenAboutAnd([](frmQKSinfo& box) { box.ControlClick(box.Label1()); });
  EXPECT_EQ(about.end_modal_calls, 1);
  ASSERT_EQ(state.TabCount, 3);
  EXPECT_EQ(state.CurTab, current);
  EXPECT_EQ(BrowserAt(3).LocationURL(), std::string(kMakerHomePage) + "index.html");
}

TEST_F(AboutBoxLinks, SecondLinkWithNoTabOpenShowsThePageInANewCurrentTab) {
  main().AllCloseTab();
  ASSERT_EQ(state.TabCount, 0);
  std::string shown_address;
  OpenAboutAnd([&](frmQKSinfo& box) {
    shown_address = box.lblHomePage().Caption();
    box.ControlClick(box.lblHomePage());
  });
  EXPECT_EQ(about.end_modal_calls, 1);
  ASSERT_EQ(state.TabCount, 1);
  EXPECT_EQ(state.CurTab, 1);
  EXPECT_EQ(BrowserAt(1).LocationURL(), shown_address);
  EXPECT_EQ(shown_address, kMakerSecondPage);
}

TEST_F(AboutBoxLinks, FailingToOpenShowsTheMessageAndKeepsTheBoxOpen) {
  toolkit.new_browsers_refuse = true;
  OpenAboutAnd([](frmQKSinfo& box) { box.ControlClick(box.Label1()); });
  ASSERT_EQ(about.messages.size(), 1u);
  EXPECT_EQ(about.messages[0].first, "ホームページが開けません");
  EXPECT_EQ(about.messages[0].second, "");
  EXPECT_FALSE(about.Closed());
}

TEST_F(AboutBoxLinks, BoxLeftOpenAfterAFailureStillClosesWithOk) {
  toolkit.new_browsers_refuse = true;
  OpenAboutAnd([](frmQKSinfo& box) {
    box.ControlClick(box.lblHomePage());
    box.cmdOK_Click();
  });
  EXPECT_EQ(about.end_modal_calls, 1);
}

TEST_F(AboutBoxLinks, WithAHundredTabsOpensNothingAndClosesSilently) {
  OpenTabsUntil(100);
  OpenAboutAnd([](frmQKSinfo& box) { box.ControlClick(box.Label1()); });
  EXPECT_EQ(state.TabCount, 100);
  EXPECT_TRUE(about.messages.empty());
  EXPECT_EQ(about.end_modal_calls, 1);
}

}  // namespace
}  // namespace tabulon::testing
