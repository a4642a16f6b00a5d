#include "app/application.h"

#include "settings/basqks_api.h"
#include "settings/file_io.h"

namespace tabulon {

Application::Application(AppState& state, MainWindowToolkit& toolkit, MainWindowServices services,
                         std::string exe_folder)
    : state_(state), toolkit_(toolkit), services_(services), exe_folder_(std::move(exe_folder)) {}

Application::~Application() {
  // The dialogs go before the main window they read from.
  form_ini_.reset();
  about_.reset();
  history_window_.reset();
}

frmMain& Application::MainWindow() {
  if (!main_window_) {
    main_window_ = std::make_unique<frmMain>(state_, toolkit_, services_);
    main_window_->SetDialogs(this);
    main_window_->SetHistory(history_);
  }
  return *main_window_;
}

void Application::Main() {
  state_.AppDir = FormAppDir(exe_folder_);
  if (!config_home_.empty()) {
    state_.SettingsFile = PrepareSettingsFile(exe_folder_, config_home_, writable_);
  }
  const std::string settings_file = SettingsFilePath(state_);
  const std::size_t slash = settings_file.find_last_of('/');
  RemoveStaleTempFiles(slash == std::string::npos ? "." : settings_file.substr(0, slash));
  LoadSettings(state_);
  MainWindow().Show();
}

std::string Application::CurrentAddress() { return MainWindow().cmbURL().Text(); }

std::string Application::CurrentTabCaption() {
  return MainWindow().lblTab(state_.CurTab).Caption();
}

void Application::OpenUrlNewTab(const std::string& url) {
  if (state_.TabCount > kMaxTabs - 1) return;
  frmMain& form = MainWindow();
  form.LoadLbl();
  // The new tab's own browser: after tabs have closed, browser numbers and
  // tab positions differ, and the browser numbered like the position may
  // belong to another tab.
  form.BrowserOfTab(state_.TabCount).Navigate2(url);
}

}  // namespace tabulon
