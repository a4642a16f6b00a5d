// The page menu, the all-tab commands and the program commands.
#include "base/val.h"
#include "mainwindow/frm_main.h"

namespace tabulon {

namespace {
constexpr const char* kOptionsProgram = "tabulon-options";
}

void frmMain::m_menu_Click(int index) {
  WorkTab = static_cast<std::int16_t>(state_.CurTab);
  // With no tab open these address the hidden template: nothing to stop,
  // reload or search in.
  if (state_.CurTab == 0 && (index == 3 || index == 4 || index == 6)) return;
  try {
    switch (index) {
      case 1: BrowserOfTab(WorkTab).GoBack(); break;
      case 2: BrowserOfTab(WorkTab).GoForward(); break;
      case 3: BrowserOfTab(WorkTab).Stop(); break;
      case 4: BrowserOfTab(WorkTab).Refresh2(); break;
      case 5:
        LoadLbl();
        BrowserOfTab(state_.TabCount).GoHome();
        break;
      case 6: BrowserOfTab(WorkTab).GoSearch(); break;
      default: break;
    }
  } catch (const std::exception&) {
    if (index == 1) {
      StaMsg_.SetPanelText(1, "これ以上戻れません");
    } else if (index == 2) {
      StaMsg_.SetPanelText(1, "これ以上進めません");
    } else {
      services_.boxes.Show("m_menu", kAppTitle);
    }
  }
}

void frmMain::m_all_reload_Click() {
  const int n = lblTab_.Count() - 1;
  // A tab that refuses does not keep the others from reloading.
  for (int p = 1; p <= n; ++p) TryStep([&] { BrowserOfTab(p).Refresh2(); });
}

void frmMain::m_all_stop_Click() {
  const int n = lblTab_.Count() - 1;
  for (int p = 1; p <= n; ++p) TryStep([&] { BrowserOfTab(p).Stop(); });
}

void frmMain::m_all_close_Click() { AllCloseTab(); }

void frmMain::m_clip_Click() {
  if (state_.CurTab == 0) return;
  pop_Clip_Click();
}

void frmMain::m_end_Click() {
  if (dialogs_ && !dialogs_->AllowQuit()) return;
  Form_Unload();
  toolkit_.EndProgram();
}

void frmMain::m_List_Click() {
  if (dialogs_) dialogs_->ShowFavourites();
}

void frmMain::m_ver_Click() {
  if (dialogs_) dialogs_->ShowAbout();
}

void frmMain::m_download_Click() {
  if (dialogs_) dialogs_->ShowDownloads();
}

void frmMain::m_history_Click() {
  if (dialogs_) dialogs_->ShowHistory();
}

void frmMain::m_tab_private_Click() {
  services_.processes.Start("\"" + state_.AppDir + kBrowserProgram + "\" " + kPrivateOption);
}

void frmMain::MnuOpt_Click() {
  // The options program sits beside the browser; quoted, so a folder with
  // spaces in its name still starts it.
  services_.processes.Start("\"" + state_.AppDir + kOptionsProgram + "\"");
}

}  // namespace tabulon
