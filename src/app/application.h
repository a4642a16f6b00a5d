#pragma once
#include <memory>
#include <string>

#include "app/state.h"
#include "mainwindow/frm_main.h"

namespace tabulon {

// The start-up module: forms AppDir, reads the settings file, shows the main
// window, and opens addresses in new tabs for the dialogs.
class Application {
 public:
  Application(AppState& state, MainWindowToolkit& toolkit, MainWindowServices services,
              std::string exe_folder);

  void Main();
  void OpenUrlNewTab(const std::string& url);
  // The main window, created on first use.
  frmMain& MainWindow();

 private:
  AppState& state_;
  MainWindowToolkit& toolkit_;
  MainWindowServices services_;
  std::string exe_folder_;
  std::unique_ptr<frmMain> main_window_;
};

}  // namespace tabulon
