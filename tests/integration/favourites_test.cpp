#include <cstdlib>
#include <fstream>
#include <sstream>

#include "favourites/favourites_file.h"
#include "favourites/form_ini.h"
#include "gtk/favourites_dialog.h"
#include "harness.h"

namespace tabulon::integration {
namespace {

std::string ReadBytes(const std::string& path) {
  std::ostringstream bytes;
  bytes << std::ifstream(path, std::ios::binary).rdbuf();
  return bytes.str();
}

// The browser as started from one folder, with its favourites dialog wired
// as in the real program.
struct FavouritesRun {
  FavouritesRun(const std::string& config, const std::string& exe_folder) {
    run = std::make_unique<BrowserRun>(config, "", exe_folder);
    dialogs = std::make_unique<gtk::GtkFavouritesToolkit>(run->toolkit->Window());
    run->app->SetFavouritesToolkit(dialogs.get());
  }
  ~FavouritesRun() {
    // The dialog's models go with the program, before their widgets.
    run.reset();
    dialogs.reset();
  }
  // Opens the dialog from the settings menu. The dialog runs modally, so the
  // user's part is played from the main loop once it is on the screen; the
  // call returns when the dialog's run is over.
  void OpenFromMenu(const std::function<void(gtk::GtkFavouritesToolkit&)>& user) {
    bool played = false;
    Glib::signal_timeout().connect_once(
        [&] {
          Gtk::Dialog* shown = dialogs->Dialog();
          if (shown && PumpUntil([&] { return shown->get_mapped(); }, 10000)) user(*dialogs);
          played = true;
          // Whatever the checks found, the modal run must end.
          if (shown && shown->get_visible()) shown->hide();
        },
        50);
    Gtk::MenuItem* item = FindMenuItem(run->toolkit->Window(), "URLリスト");
    ASSERT_NE(item, nullptr);
    item->activate();
    EXPECT_TRUE(played);
  }

  std::unique_ptr<BrowserRun> run;
  std::unique_ptr<gtk::GtkFavouritesToolkit> dialogs;
};

template <typename T>
T& Widget(gtk::GtkFavouritesToolkit& dialogs, const std::string& name) {
  Gtk::Widget* widget = dialogs.Widget(name);
  if (auto* scroller = dynamic_cast<Gtk::ScrolledWindow*>(widget)) widget = scroller->get_child();
  T* typed = dynamic_cast<T*>(widget);
  if (!typed) throw std::runtime_error("no widget " + name);
  return *typed;
}

TEST(FavouritesOnScreen, EditedFavouriteIsSavedAndBackAfterARestart) {
  const std::string config = TempFolder();
  const std::string exe_folder = TempFolder();
  {
    FavouritesRun first(config, exe_folder);
    ASSERT_TRUE(PumpUntil([&] { return first.run->toolkit->Window().get_mapped(); }));
    first.OpenFromMenu([&](gtk::GtkFavouritesToolkit& dialogs) {
      Gtk::Dialog& dialog = *dialogs.Dialog();
      EXPECT_EQ(dialog.get_title(), "Tabulon 設定");
      EXPECT_TRUE(dialog.get_modal());
      EXPECT_EQ(dialog.get_transient_for(), &first.run->toolkit->Window());
      EXPECT_FALSE(dialog.get_resizable());

      auto& list = Widget<Gtk::TreeView>(dialogs, "lstURLLst");
      auto& url = Widget<Gtk::Entry>(dialogs, "txtURL");
      auto& title = Widget<Gtk::Entry>(dialogs, "txtTitle");
      gchar* im_module = nullptr;
      g_object_get(url.gobj(), "im-module", &im_module, nullptr);
      EXPECT_STREQ(im_module, "gtk-im-context-none");
      g_free(im_module);
      EXPECT_EQ(list.get_model()->children().size(), 20u);

      Gtk::TreeModel::Path third;
      third.push_back(2);
      list.set_cursor(third);
      url.set_text("http://127.0.0.1/three");
      title.set_text("お気に入り三");
      Widget<Gtk::Button>(dialogs, "cmdChg").clicked();
      Glib::ustring line;
      list.get_model()->get_iter(third)->get_value(0, line);
      EXPECT_EQ(line, "Ctrl + 3\t \thttp://127.0.0.1/three");
      Widget<Gtk::Button>(dialogs, "cmdOK").clicked();
    });
    EXPECT_EQ(first.dialogs->Dialog(), nullptr);
    EXPECT_TRUE(first.run->boxes.shown.empty());
  }
  EXPECT_EQ(ReadBytes(exe_folder + "/tabulon.ini"),
            "[URL]\r\nURL3=http://127.0.0.1/three\r\n[TITLE]\r\n"
            "TITLE3=\x82\xa8\x8b\x43\x82\xc9\x93\xfc\x82\xe8\x8e\x4f\r\n");

  FavouritesRun second(config, exe_folder);
  EXPECT_EQ(second.run->state.UrlList[3].Url, "http://127.0.0.1/three");
  EXPECT_EQ(second.run->state.UrlList[3].Title, "お気に入り三");
}

// Two browsers share the settings file. One saves favourite 3 while the
// other still holds the list it read at start; moving favourite 2 down in
// the second must not put the old favourite 3 back.
TEST(FavouritesOnScreen, TheDialogStartsFromWhatAnotherBrowserSavedMeanwhile) {
  const std::string exe_folder = TempFolder();
  const std::string ini = exe_folder + "/tabulon.ini";
  std::ofstream(ini) << "[URL]\r\nURL2=http://two/\r\nURL3=http://three/\r\n";
  FavouritesRun browser(TempFolder(), exe_folder);
  ASSERT_TRUE(PumpUntil([&] { return browser.run->toolkit->Window().get_mapped(); }));
  ASSERT_EQ(browser.run->state.UrlList[3].Url, "http://three/");
  // The other browser's save.
  Favourites before, after;
  before[3].Url = "http://three/";
  after[3].Url = "http://new-three/";
  ASSERT_EQ(SaveChangedFavourites(after, before, ini), "");

  browser.OpenFromMenu([](gtk::GtkFavouritesToolkit& dialogs) {
    Gtk::TreeModel::Path second;
    second.push_back(1);
    Widget<Gtk::TreeView>(dialogs, "lstURLLst").set_cursor(second);
    Widget<Gtk::Button>(dialogs, "cmdDWN").clicked();
    Widget<Gtk::Button>(dialogs, "cmdOK").clicked();
  });
  EXPECT_EQ(ReadBytes(ini), "[URL]\r\nURL2=http://new-three/\r\nURL3=http://two/\r\n");
  EXPECT_EQ(browser.run->state.UrlList[2].Url, "http://new-three/");
}

TEST(FavouritesOnScreen, CancelHidesTheDialogAndTheNextOpeningShowsItAsLeft) {
  FavouritesRun browser(TempFolder(), TempFolder());
  ASSERT_TRUE(PumpUntil([&] { return browser.run->toolkit->Window().get_mapped(); }));
  browser.OpenFromMenu([](gtk::GtkFavouritesToolkit& dialogs) {
    Widget<Gtk::RadioButton>(dialogs, "optMode(1)").set_active(true);
    Widget<Gtk::Entry>(dialogs, "txtTitle").set_text("まだ適用していない");
    Widget<Gtk::Button>(dialogs, "cmdEXIT").clicked();
  });
  ASSERT_NE(browser.dialogs->Dialog(), nullptr);
  EXPECT_FALSE(browser.dialogs->Dialog()->get_visible());
  EXPECT_EQ(browser.run->state.ListMode, 1);
  browser.OpenFromMenu([](gtk::GtkFavouritesToolkit& dialogs) {
    EXPECT_TRUE(Widget<Gtk::RadioButton>(dialogs, "optMode(1)").get_active());
    EXPECT_EQ(Widget<Gtk::Entry>(dialogs, "txtTitle").get_text(), "まだ適用していない");
    // The window frame's close discards the dialog.
    GdkEvent* event = gdk_event_new(GDK_DELETE);
    event->any.window = GDK_WINDOW(g_object_ref(dialogs.Dialog()->get_window()->gobj()));
    gtk_main_do_event(event);
    gdk_event_free(event);
  });
  EXPECT_EQ(browser.dialogs->Dialog(), nullptr);
}

// Ctrl+B is the dialog's key everywhere, the focused URL box included; a
// plain "b" typed there is just a letter.
TEST(FavouritesKey, CtrlBOpensTheDialogFromTheUrlBoxAndPlainBIsALetter) {
  const std::string config = TempFolder();
  FavouritesRun browser(config, TempFolder());
  BrowserRun& run = *browser.run;
  ASSERT_TRUE(PresentAndWaitForFocus(run.toolkit->Window()));
  ASSERT_EQ(std::system("xdotool key --clearmodifiers alt+d"), 0);
  ASSERT_TRUE(WaitForTextFocus(run.toolkit->Window()));
  run.main().cmbURL().SetText("");
  ASSERT_EQ(std::system("xdotool type --delay 20 bb"), 0);
  ASSERT_TRUE(PumpUntil([&] { return run.main().cmbURL().Text() == "bb"; }));
  EXPECT_EQ(browser.dialogs->Dialog(), nullptr);

  bool seen = false;
  int ticks = 0;
  // The dialog runs modally once the key arrives: look for it from the main
  // loop and close it, so the run returns.
  Glib::signal_timeout().connect(
      [&] {
        Gtk::Dialog* shown = browser.dialogs->Dialog();
        if (shown && shown->get_mapped()) {
          seen = true;
          shown->hide();
          return false;
        }
        return ++ticks < 400;
      },
      25);
  ASSERT_EQ(std::system("xdotool key --clearmodifiers ctrl+b"), 0);
  EXPECT_TRUE(PumpUntil([&] { return seen; }, 10000));
  EXPECT_EQ(run.main().cmbURL().Text(), "bb");
}

}  // namespace
}  // namespace tabulon::integration
