// Composition root: builds the GTK toolkit and hands it to the start-up module.
#include <gtkmm.h>

#include <cstdlib>

#include "app/application.h"
#include "browsing/internet_settings.h"
#include "browsing/search_page.h"
#include "gtk/about_dialog.h"
#include "gtk/downloads_window.h"
#include "gtk/favourites_dialog.h"
#include "gtk/gtk_services.h"
#include "gtk/icons.h"
#include "gtk/webkit/downloads.h"
#include "gtk/webkit/gtk_toolkit.h"
#include "gtk/webkit/web_engine.h"
#include "settings/basqks_api.h"
#include "settings/file_settings_store.h"

int main(int argc, char** argv) {
  tabulon::gtk::PrepareEngine();
  Gtk::Main kit(argc, argv);
  Glib::set_application_name("Tabulon");
  Glib::set_prgname("tabulon");
  tabulon::gtk::UseProgramIcon();

  tabulon::AppState state;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) state.CommandLine += ' ';
    state.CommandLine += argv[i];
  }

  const std::string config_home =
      tabulon::DefaultConfigHome(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
  tabulon::FileSettingsStore store(config_home);
  tabulon::gtk::WebEngine engine(tabulon::gtk::EngineDataDir(), tabulon::gtk::EngineCacheDir(),
                                 [&state, &store](const std::string& uri) {
                                   return tabulon::BuiltInPageHtml(uri, state, store);
                                 });
  tabulon::gtk::GtkToolkit toolkit(engine, [] { Gtk::Main::quit(); });
  // The options program writes these while the browser runs; they are read
  // when used.
  toolkit.SetBrowsingPreferences({[&store] { return tabulon::ReadHomePage(store); },
                                  [&store] { return tabulon::ReadDefaultEncoding(store); }});
  tabulon::gtk::GtkMessageBoxes boxes(&toolkit.Window());
  tabulon::gtk::GtkClipboard clipboard;
  tabulon::gtk::SpawnProcessStarter processes;
  // The downloads window and the engine's downloads outlive the program's
  // model of them.
  tabulon::gtk::DownloadsWindowToolkit downloads_window(&toolkit.Window());
  tabulon::gtk::EngineDownloads engine_downloads;

  tabulon::Application app(state, toolkit, {store, boxes, clipboard, processes},
                           tabulon::ExecutableFolder());
  app.SetUserConfigFolder(config_home);
  // The dialogs' toolkits.
  tabulon::gtk::GtkFavouritesToolkit favourites_toolkit(toolkit.Window());
  app.SetFavouritesToolkit(&favourites_toolkit);
  tabulon::gtk::AboutDialogToolkit about(&toolkit.Window());
  app.SetAboutToolkit(&about);
  app.SetDownloads(downloads_window, engine_downloads);
  tabulon::gtk::ReportDownloadsTo(app.Downloads());
  app.Main();
  Gtk::Main::run();
  tabulon::gtk::ReportDownloadsTo(nullptr);
  return 0;
}
