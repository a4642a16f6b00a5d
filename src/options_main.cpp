// Composition root of the options program: the Internet settings window over
// the same per-user settings store and engine folders as the browser.
#include <gtkmm.h>

#include <cstdlib>

#include "gtk/options_window.h"
#include "gtk/webkit/web_engine.h"
#include "options/internet_options.h"
#include "settings/file_settings_store.h"

int main(int argc, char** argv) {
  Gtk::Main kit(argc, argv);
  Glib::set_application_name("インターネットオプション");
  Glib::set_prgname("tabulon-options");

  tabulon::FileSettingsStore store(tabulon::DefaultConfigHome(
      std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"), tabulon::AccountHomeFolder().c_str()));
  tabulon::BrowsingData data(tabulon::gtk::EngineDataDir(), tabulon::gtk::EngineCacheDir());
  tabulon::gtk::OptionsWindow window;
  tabulon::InternetOptions options(store, data, window);
  window.Attach(options);
  options.Load();
  window.Window().show();
  window.Window().present();
  Gtk::Main::run();
  return 0;
}
