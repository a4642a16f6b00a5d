#pragma once
#include <memory>
#include <string>
#include <utility>

#include "about/frm_qksinfo.h"
#include "app/profile_owner.h"
#include "app/session_keeper.h"
#include "base/problems.h"
#include "base/state.h"
#include "downloads/downloads_window.h"
#include "favourites/form_ini.h"
#include "history/history_store.h"
#include "history/history_window.h"
#include "mainwindow/frm_main.h"
#include "platform/dialogs.h"
#include "settings/settings_location.h"

namespace tabulon {

// The start-up module: forms AppDir, reads the settings file, shows the main
// window, and opens addresses in new tabs for the dialogs.
class FavouritesToolkit;
class AboutToolkit;

class Application final : public WindowDialogs, public FavouritesHost {
 public:
  Application(AppState& state, MainWindowToolkit& toolkit, MainWindowServices services,
              std::string exe_folder);
  ~Application() override;

  // The toolkits the two dialogs are built with; without one, its dialog
  // does not open.
  void SetFavouritesToolkit(FavouritesToolkit* toolkit) { favourites_toolkit_ = toolkit; }
  void SetAboutToolkit(AboutToolkit* toolkit) { about_toolkit_ = toolkit; }
  void ShowFavourites() override;
  void ShowAbout() override;
  // The downloads window's toolkit and the engine's downloads. Without them
  // there is no window and nothing to ask about at quit.
  void SetDownloads(DownloadsToolkit& toolkit, DownloadControl& control);
  // Where the engine reports downloads; nullptr before SetDownloads.
  DownloadsWindow* Downloads() { return downloads_.get(); }
  void ShowDownloads() override;
  bool AllowQuit() override;
  // The history and its window's toolkit; without them nothing is recorded
  // and there is no window.
  void SetHistory(HistoryStore& store, HistoryToolkit& toolkit);
  void ShowHistory() override;

  // Where per-user settings live. Given it, a browser whose folder the user
  // cannot write to keeps its settings file there; without it the file
  // always lies beside the executable.
  void SetUserConfigFolder(std::string config_home, FolderCheck writable = FolderWritable) {
    config_home_ = std::move(config_home);
    writable_ = std::move(writable);
  }

  // Where problems are shown to the user: the window's message bar, from
  // when the window is shown.
  void SetProblems(Problems& problems) { problems_ = &problems; }

  void Main();
  // Keeps the open tabs in a session file in `folder` (a data folder of the
  // user's own) and offers the tabs of a run that did not end normally.
  // Given before Main; without it no session is kept.
  void SetSessionFolder(const std::string& folder) { session_folder_ = folder; }
  // After the main loop has ended normally: the session says so.
  void Finish();
  void OpenUrlNewTab(const std::string& url) override;
  // A later start of the browser on this profile handed its command line
  // over: its address opens as a new tab, shown, and the window comes to
  // the front.
  void OpenHandedOver(const HandOver& request);
  std::string CurrentAddress() override;
  std::string CurrentTabCaption() override;
  // The main window, created on first use.
  frmMain& MainWindow();

 private:
  AppState& state_;
  MainWindowToolkit& toolkit_;
  MainWindowServices services_;
  std::string exe_folder_;
  std::string config_home_;
  FolderCheck writable_;
  std::unique_ptr<frmMain> main_window_;
  FavouritesToolkit* favourites_toolkit_ = nullptr;
  AboutToolkit* about_toolkit_ = nullptr;
  // Each dialog exists at most once, created on first use.
  std::unique_ptr<FormIni> form_ini_;
  std::unique_ptr<frmQKSinfo> about_;
  std::unique_ptr<DownloadsWindow> downloads_;
  Problems* problems_ = nullptr;
  std::string session_folder_;
  std::unique_ptr<SessionKeeper> session_;
  bool session_claimed_ = false;
  bool session_save_due_ = false;
  bool session_saved_once_ = false;
  void SessionChanged();
  // Offers the tabs of unclean ends, or brings back the last run's when the
  // options ask for that.
  void OfferLastTabs();
  HistoryStore* history_ = nullptr;
  HistoryToolkit* history_toolkit_ = nullptr;
  std::unique_ptr<HistoryWindow> history_window_;
};

}  // namespace tabulon
