#include <algorithm>
#include <cstdlib>

#include "about/frm_qksinfo.h"
#include "gtk/about_dialog.h"
#include "harness.h"

namespace tabulon::integration {
namespace {

// The program running with its about box wired as in the real program. The
// box runs modally, so what the user does while it is shown is played from
// the main loop by `while_shown`, once the box is on the screen.
class AboutBoxOnScreen : public ::testing::Test {
 protected:
  std::unique_ptr<BrowserRun> run;
  std::unique_ptr<gtk::AboutDialogToolkit> about;

  void SetUp() override {
    run = std::make_unique<BrowserRun>(TempFolder());
    about = std::make_unique<gtk::AboutDialogToolkit>(&run->toolkit->Window());
    run->app->SetAboutToolkit(about.get());
    ASSERT_TRUE(PumpUntil([&] { return run->toolkit->Window().get_mapped(); }));
  }
  void TearDown() override {
    run.reset();
    about.reset();
  }

  // Chooses ヘルプ → バージョン情報 and returns once the box is closed again.
  void OpenFromTheHelpMenu(std::function<void(Gtk::Window&)> while_shown) {
    Gtk::MenuItem* item = FindMenuItem(run->toolkit->Window(), "バージョン情報");
    ASSERT_NE(item, nullptr);
    auto acted = std::make_shared<bool>(false);
    auto poll = Glib::signal_timeout().connect(
        [this, acted, while_shown] {
          Gtk::Window* box = about->Window();
          if (*acted || !box || !box->get_mapped()) return true;
          *acted = true;
          while_shown(*box);
          return true;
        },
        50);
    // A box that does not close would hang the test: close it from here.
    auto rescue = Glib::signal_timeout().connect(
        [this] {
          ADD_FAILURE() << "the about box did not close";
          about->EndModal();
          return false;
        },
        15000);
    item->activate();
    poll.disconnect();
    rescue.disconnect();
    EXPECT_TRUE(*acted) << "the about box never appeared";
  }

  static void XdoTool(const std::string& args) {
    std::string command = "xdotool " + args;
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
  }
};

TEST_F(AboutBoxOnScreen, ShowsTheVersionAndEnterOnOkClosesItOnce) {
  std::vector<std::string> shown;
  bool ok_had_focus = false;
  OpenFromTheHelpMenu([&](Gtk::Window& box) {
    shown = about->ShownTexts();
    PresentAndWaitForFocus(box);
    ok_had_focus = box.get_focus() == about->OkButton();
    XdoTool("key --clearmodifiers Return");
  });
  EXPECT_TRUE(ok_had_focus);
  const std::string version =
      VersionText(TABULON_VERSION_MAJOR, TABULON_VERSION_MINOR, TABULON_VERSION_PATCH);
  EXPECT_NE(std::find(shown.begin(), shown.end(), version), shown.end()) << version;
  // Closed and discarded; the main window takes input again.
  EXPECT_EQ(about->Window(), nullptr);
  EXPECT_EQ(run->state.TabCount, 1);
  EXPECT_TRUE(PumpUntil([] {
    for (Gtk::Window* window : Gtk::Window::list_toplevels()) {
      if (window->get_mapped() && window->get_title() == "Tabulonについて") return false;
    }
    return true;
  }));
}

TEST_F(AboutBoxOnScreen, ClickingOkClosesIt) {
  OpenFromTheHelpMenu([&](Gtk::Window& box) {
    PresentAndWaitForFocus(box);
    Gtk::Button& ok = *about->OkButton();
    int x = 0, y = 0;
    ok.get_window()->get_origin(x, y);
    Gtk::Allocation a = ok.get_allocation();
    x += a.get_x() + a.get_width() / 2;
    y += a.get_y() + a.get_height() / 2;
    // The pointer comes from outside, as a hand on the mouse brings it: a
    // button under a pointer that never entered it takes no click.
    XdoTool("mousemove --sync 0 0 mousemove --sync " + std::to_string(x) + " " + std::to_string(y) +
            " click 1");
  });
  EXPECT_EQ(about->Window(), nullptr);
}

TEST_F(AboutBoxOnScreen, AnotherLetterLeavesItOpen) {
  bool still_open = false;
  OpenFromTheHelpMenu([&](Gtk::Window& box) {
    PresentAndWaitForFocus(box);
    XdoTool("key --clearmodifiers x");
    Pump(300);
    still_open = about->Window() && about->Window()->get_mapped();
    XdoTool("key --clearmodifiers Escape");
  });
  EXPECT_TRUE(still_open);
  EXPECT_EQ(about->Window(), nullptr);
}

}  // namespace
}  // namespace tabulon::integration
