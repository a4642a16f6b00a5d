#include "app/application.h"

#include <algorithm>
#include <cerrno>

#include "browsing/internet_settings.h"
#include "settings/basqks_api.h"
#include "settings/file_io.h"

namespace tabulon {

Application::Application(AppState& state, MainWindowToolkit& toolkit, MainWindowServices services,
                         std::string exe_folder)
    : state_(state), toolkit_(toolkit), services_(services), exe_folder_(std::move(exe_folder)) {}

Application::~Application() {
  if (problems_) problems_->SetWindow(nullptr);
  // The dialogs go before the main window they read from.
  form_ini_.reset();
  about_.reset();
  history_window_.reset();
}

frmMain& Application::MainWindow() {
  if (!main_window_) {
    main_window_ = std::make_unique<frmMain>(state_, toolkit_, services_);
    main_window_->SetDialogs(this);
    main_window_->SetHistory(history_, history_);
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
  if (std::string bytes; problems_) {
    // Favourites that cannot be read look like none; the file is not
    // written over (saving refuses), and the user should know why.
    const IoResult read = ReadWholeFile(settings_file, bytes);
    if (!read.ok() && read.error != ENOENT) {
      problems_->Report("favourites-unreadable",
                        "お気に入りのファイル " + std::string(kIniFileName) + " を読めません" +
                            InBrackets(ReadFailureReason(read.error)) +
                            "。ファイルはそのまま残してあります。",
                        settings_file);
    }
  }
  if (!session_folder_.empty())
    session_ = std::make_unique<SessionKeeper>(session_folder_, problems_);
  session_claimed_ = session_ && session_->Claim();
  if (session_claimed_) MainWindow().SetSessionChanged([this] { SessionChanged(); });
  MainWindow().Show();
  if (problems_) {
    problems_->SetWindow([this](const std::string& message) {
      toolkit_.AskInBar(message, kCloseBar, "", [](bool) {});
    });
  }
  if (session_claimed_) OfferLastTabs();
}

void Application::OfferLastTabs() {
  std::vector<SavedTab> offered = session_->Unfinished();
  if (ReadRestoreTabs(services_.store)) {
    // Asked for in the options: no question, however the last run ended.
    const std::vector<SavedTab>& last = session_->LastTabs();
    MainWindow().AppendTabs(last, false);
    std::erase_if(offered, [&last](const SavedTab& tab) {
      return std::any_of(last.begin(), last.end(),
                         [&tab](const SavedTab& each) { return each.address == tab.address; });
    });
    if (offered.empty()) session_->Settle(MainWindow().Session());
  }
  if (offered.empty()) return;
  // Until the user says, the tabs stay offered, whatever becomes of this run.
  toolkit_.AskInBar(kUncleanEndQuestion, kRestoreTabs, kCloseBar, [this, offered](bool restore) {
    const std::size_t opened = restore ? MainWindow().AppendTabs(offered, false) : offered.size();
    // Tabs beyond the limit of open tabs stay offered.
    session_->Settle(MainWindow().Session(),
                     {offered.begin() + static_cast<std::ptrdiff_t>(opened), offered.end()});
  });
}

// Changes come in bursts (a page load reports several); one write a second
// at most. The first comes at once: a browser killed in its first second
// still leaves its tabs.
void Application::SessionChanged() {
  if (session_save_due_) return;
  session_save_due_ = true;
  toolkit_.RunLater(session_saved_once_ ? 1000 : 0, [this] {
    session_saved_once_ = true;
    session_save_due_ = false;
    session_->Save(MainWindow().Session());
  });
}

void Application::Finish() {
  if (session_claimed_) session_->SaveAtEnd(MainWindow().Session());
}

void Application::OpenHandedOver(const HandOver& request) {
  if (!request.address.empty()) {
    const int before = state_.TabCount;
    OpenUrlNewTab(request.address);
    if (state_.TabCount > before) MainWindow().lblTab_Click(state_.TabCount);
  }
  toolkit_.PresentMainWindow(request.startup_id);
}

std::string Application::CurrentAddress() { return MainWindow().cmbURL().Text(); }

std::string Application::CurrentTabCaption() {
  return MainWindow().lblTab(state_.CurTab).Caption();
}

void Application::OpenUrlNewTab(const std::string& url) {
  if (state_.TabCount > kMaxTabs - 1) return;
  frmMain& form = MainWindow();
  form.LoadLbl(url);
  // The new tab's own browser: after tabs have closed, browser numbers and
  // tab positions differ, and the browser numbered like the position may
  // belong to another tab.
  form.BrowserOfTab(state_.TabCount).Navigate2(url);
}

}  // namespace tabulon
