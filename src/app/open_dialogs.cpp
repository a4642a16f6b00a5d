// Opening the dialogs and the downloads window from the main window.
#include "app/application.h"
#include "platform/favourites_toolkit.h"

namespace tabulon {

void Application::ShowFavourites() {
  if (!favourites_toolkit_) return;
  // Already on screen: its modal run is further up this call.
  if (form_ini_ && form_ini_->Window().Visible()) return;
  if (!form_ini_) {
    form_ini_ = std::make_unique<FormIni>(state_, *this);
    favourites_toolkit_->BuildDialog(*form_ini_);
    form_ini_->Form_Load();
  }
  form_ini_->Show();
  favourites_toolkit_->RunModal(*form_ini_);
  // Discarding waits for the modal run to end, so no handler of the dialog
  // is still running on it.
  if (!form_ini_->UnloadRequested()) {
    if (form_ini_->Window().Visible()) form_ini_->Window().SetVisible(false);
    return;
  }
  const std::string save_error = form_ini_->SaveError();
  form_ini_.reset();
  favourites_toolkit_->DestroyDialog();
  if (!save_error.empty()) services_.boxes.Show(save_error, kAppTitle);
}

// m_ver_Click: a fresh box each time, so the version text is set anew. It is
// discarded only after its modal run has returned, never from one of its
// own handlers.
void Application::ShowAbout() {
  if (!about_toolkit_ || about_) return;
  about_ = std::make_unique<frmQKSinfo>(
      *about_toolkit_, [this](const std::string& address) { OpenUrlNewTab(address); });
  try {
    about_->ShowModal();
  } catch (...) {
    about_.reset();
    throw;
  }
  about_.reset();
}

void Application::SetDownloads(DownloadsToolkit& toolkit, DownloadControl& control) {
  downloads_ = std::make_unique<DownloadsWindow>(toolkit, control);
}

void Application::ShowDownloads() {
  if (downloads_) downloads_->Show();
}

void Application::SetHistory(HistoryStore& store, HistoryToolkit& toolkit) {
  history_ = &store;
  history_toolkit_ = &toolkit;
  if (main_window_) main_window_->SetHistory(history_, history_);
}

void Application::ShowHistory() {
  if (!history_ || !history_toolkit_) return;
  if (!history_window_) {
    history_window_ = std::make_unique<HistoryWindow>(
        *history_toolkit_, *history_,
        [this](const std::string& address) { OpenUrlNewTab(address); });
  }
  history_window_->Show();
}

bool Application::AllowQuit() { return !downloads_ || downloads_->AllowQuit(); }

}  // namespace tabulon
