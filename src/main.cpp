// Composition root: builds the GTK toolkit and hands it to the start-up module.
#include <glib-unix.h>
#include <gtkmm.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/command_line.h"
#include "app/profile_owner.h"
#include "browsing/blocked_sites.h"
#include "browsing/internet_settings.h"
#include "browsing/memory_use.h"
#include "browsing/search_page.h"
#include "browsing/site_permissions.h"
#include "browsing/tab_discard.h"
#include "gtk/about_dialog.h"
#include "gtk/downloads_view.h"
#include "gtk/favourites_dialog.h"
#include "gtk/gtk_services.h"
#include "gtk/guard.h"
#include "gtk/history_view.h"
#include "gtk/icons.h"
#include "gtk/webkit/downloads.h"
#include "gtk/webkit/gtk_toolkit.h"
#include "gtk/webkit/web_engine.h"
#include "history/history_store.h"
#include "settings/basqks_api.h"
#include "settings/file_io.h"
#include "settings/file_settings_store.h"

namespace {

// Answers --help, --version and mistakes without a display; returns the exit
// status, or -1 when the browser is to run.
int AnswerWithoutWindow(const tabulon::CommandLineRequest& request) {
  using Action = tabulon::CommandLineRequest::Action;
  switch (request.action) {
    case Action::kHelp: return std::fputs(tabulon::UsageText().c_str(), stdout) < 0 ? 1 : 0;
    case Action::kVersion: return std::fputs(tabulon::VersionLine().c_str(), stdout) < 0 ? 1 : 0;
    case Action::kError:
      std::fprintf(stderr, "tabulon: %s\n詳しくは tabulon --help を見てください。\n",
                   request.error.c_str());
      return 2;
    case Action::kRun: break;
  }
  return -1;
}

}  // namespace

int main(int argc, char** argv) {
  const tabulon::CommandLineRequest request =
      tabulon::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  if (const int status = AnswerWithoutWindow(request); status >= 0) return status;

  // One browser per profile: a start on a profile that a running browser
  // owns hands its command line over and ends. Private windows own nothing.
  tabulon::ProfileOwner owner(request.private_window ? "" : tabulon::gtk::EngineDataDir());
  const char* startup_id = std::getenv("DESKTOP_STARTUP_ID");
  switch (owner.ClaimOrHandOver({request.address, startup_id ? startup_id : ""}, 5000)) {
    case tabulon::ProfileOwner::Outcome::kHandedOver: return 0;
    case tabulon::ProfileOwner::Outcome::kNoAnswer:
      std::fputs(
          "tabulon: 起動中の Tabulon が応答しません。しばらくしてからもう一度開いてください。\n",
          stderr);
      return 1;
    case tabulon::ProfileOwner::Outcome::kOwner:
    case tabulon::ProfileOwner::Outcome::kUnavailable: break;
  }

  // The toolkit sees only its own options; the address is ours.
  std::vector<std::string> toolkit_args{argv[0]};
  toolkit_args.insert(toolkit_args.end(), request.toolkit_options.begin(),
                      request.toolkit_options.end());
  std::vector<char*> toolkit_argv;
  for (std::string& arg : toolkit_args) toolkit_argv.push_back(arg.data());
  toolkit_argv.push_back(nullptr);
  int toolkit_argc = static_cast<int>(toolkit_args.size());
  char** toolkit_argv_data = toolkit_argv.data();

  tabulon::gtk::PrepareEngine();
  Gtk::Main kit(toolkit_argc, toolkit_argv_data);
  // The engine's own processes open the display named in the environment,
  // which --display does not change.
  if (const Glib::RefPtr<Gdk::Display> display = Gdk::Display::get_default()) {
    setenv("DISPLAY", display->get_name().c_str(), 1);
  }
  Glib::set_application_name("Tabulon");
  Glib::set_prgname("tabulon");
  tabulon::gtk::UseProgramIcon();

  // Problems go to standard error, and to the window's bar once it shows.
  tabulon::Problems problems;
  problems.SetPost(tabulon::gtk::PostToMainLoop);

  tabulon::AppState state;
  state.CommandLine = request.address;
  state.Private = request.private_window;

  const std::string config_home = tabulon::DefaultConfigHome(
      std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"), tabulon::AccountHomeFolder().c_str());
  tabulon::FileSettingsStore store(config_home);
  store.SetProblems(&problems);
  // Leftovers of a save killed halfway, beside the settings file.
  const std::string store_file = store.PathFor(tabulon::kAppTitle);
  if (!store_file.empty()) {
    tabulon::RemoveStaleTempFiles(store_file.substr(0, store_file.rfind('/')));
  }
  // A private window keeps its engine's data in memory, its history too,
  // and no session.
  const std::string data_dir = state.Private ? "" : tabulon::gtk::EngineDataDir();
  tabulon::gtk::WebEngine engine(data_dir, tabulon::gtk::EngineCacheDir(),
                                 [&state, &store](const std::string& uri) {
                                   return tabulon::BuiltInPageHtml(uri, state, store);
                                 });
  // Ads and trackers are blocked from when the rules are ready; pages load
  // meanwhile.
  engine.Blocker().SetProblems(&problems);
  engine.Blocker().Start(tabulon::gtk::ChooseBlockingRules(tabulon::gtk::EngineCacheDir()));
  engine.SetTrackingProtection(tabulon::ReadTrackingProtection(store));
  engine.SetNotificationAnswers([&store] { return tabulon::NotificationAnswers(store); });
  tabulon::gtk::GtkToolkit toolkit(engine, [] { Gtk::Main::quit(); });
  // The options program writes these while the browser runs; they are read
  // when used.
  toolkit.SetBrowsingPreferences(
      {[&store] { return tabulon::ReadHomePage(store); },
       [&store] { return tabulon::ReadDefaultEncoding(store); },
       [&store](const std::string& url) { return tabulon::BlocksAdsAt(store, url); },
       [&store] { return tabulon::ReadTrackingProtection(store); }});
  tabulon::gtk::GtkMessageBoxes boxes(&toolkit.Window());
  tabulon::gtk::GtkClipboard clipboard;
  tabulon::gtk::SpawnProcessStarter processes;
  // The downloads window and the engine's downloads outlive the program's
  // model of them.
  tabulon::gtk::DownloadsWindowToolkit downloads_window(&toolkit.Window());
  tabulon::gtk::EngineDownloads engine_downloads;
  // The history beside the engine's own data; its window.
  tabulon::HistoryStore history(data_dir.empty() ? "" : tabulon::HistoryFilePath(data_dir), nullptr,
                                tabulon::kHistoryFlushInterval, &problems);
  tabulon::gtk::HistoryWindowToolkit history_window(&toolkit.Window());

  tabulon::Application app(state, toolkit, {store, boxes, clipboard, processes},
                           tabulon::ExecutableFolder());
  app.SetUserConfigFolder(config_home);
  app.SetProblems(problems);
  // The dialogs' toolkits.
  tabulon::gtk::GtkFavouritesToolkit favourites_toolkit(toolkit.Window());
  app.SetFavouritesToolkit(&favourites_toolkit);
  tabulon::gtk::AboutDialogToolkit about(&toolkit.Window());
  app.SetAboutToolkit(&about);
  app.SetDownloads(downloads_window, engine_downloads);
  tabulon::gtk::ReportDownloadsTo(app.Downloads());
  if (!state.Private) app.SetSessionFolder(data_dir);
  app.SetHistory(history, history_window);
  app.Main();
  // Later starts on this profile, from the main loop.
  struct Listener {
    tabulon::ProfileOwner& owner;
    tabulon::Application& app;
  } listener{owner, app};
  if (owner.ListenFd() >= 0) {
    g_unix_fd_add(
        owner.ListenFd(), G_IO_IN,
        +[](int, GIOCondition, gpointer data) -> gboolean {
          auto* l = static_cast<Listener*>(data);
          tabulon::gtk::Guarded([l] {
            if (const std::optional<tabulon::HandOver> request = l->owner.Accept()) {
              l->app.OpenHandedOver(*request);
            }
          });
          return G_SOURCE_CONTINUE;
        },
        &listener);
  }
  // Tabs left alone give their memory back; so does the tab out of sight
  // longest while the browser uses over a quarter of the machine's.
  const std::int64_t budget_kb = tabulon::MemoryBudgetKb(tabulon::MachineMemoryKb());
  app.MainWindow().StartTabGovernor(
      {[] { return static_cast<std::int64_t>(g_get_monotonic_time() / 1000); },
       [budget_kb] { return budget_kb > 0 && tabulon::ProcessTreePssKb(getpid()) > budget_kb; }});
  // Asked to end by the session manager or a terminal: a normal quit, so
  // the window's place and the session are kept.
  for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
    g_unix_signal_add(
        signal,
        +[](gpointer data) -> gboolean {
          tabulon::gtk::Guarded(
              [data] { static_cast<tabulon::Application*>(data)->MainWindow().Form_Unload(); });
          Gtk::Main::quit();
          return G_SOURCE_REMOVE;
        },
        &app);
  }
  Gtk::Main::run();
  app.Finish();
  tabulon::gtk::ReportDownloadsTo(nullptr);
  return 0;
}
