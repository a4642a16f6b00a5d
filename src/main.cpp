// Composition root: builds the GTK toolkit and hands it to the start-up module.
#include <gtkmm.h>

#include <cstdlib>

#include "app/application.h"
#include "app/basqks_api.h"
#include "app/start_page.h"
#include "platform/file_settings_store.h"
#include "platform/gtk/gtk_services.h"
#include "platform/gtk/gtk_toolkit.h"
#include "platform/gtk/web_engine.h"

int main(int argc, char** argv) {
  Gtk::Main kit(argc, argv);
  Glib::set_application_name("Tabulon");
  Glib::set_prgname("tabulon");

  tabulon::AppState state;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) state.CommandLine += ' ';
    state.CommandLine += argv[i];
  }

  tabulon::gtk::WebEngine engine(
      tabulon::gtk::EngineDataDir(), tabulon::gtk::EngineCacheDir(),
      [&state](const std::string& uri) -> std::string {
        if (uri.rfind(tabulon::kHomeUrl, 0) == 0) return tabulon::StartPageHtml(state);
        return "";
      });
  tabulon::gtk::GtkToolkit toolkit(engine, [] { Gtk::Main::quit(); });
  tabulon::FileSettingsStore store(
      tabulon::DefaultConfigHome(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME")));
  tabulon::gtk::GtkMessageBoxes boxes(&toolkit.Window());
  tabulon::gtk::GtkClipboard clipboard;
  tabulon::gtk::SpawnProcessStarter processes;

  tabulon::Application app(state, toolkit, {store, boxes, clipboard, processes},
                           tabulon::ExecutableFolder());
  // The dialogs' toolkits.
  app.Main();
  Gtk::Main::run();
  return 0;
}
