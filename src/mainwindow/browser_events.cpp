// What the tabs' browsers report, and what each report changes.
#include "mainwindow/frm_main.h"
#include "mainwindow/val.h"

namespace tabulon {

namespace {
bool IsCurrent(const frmMain& form, const AppState& state, int index) {
  return Val(form.lblTab(state.CurTab).Tag()) == index;
}
}  // namespace

void frmMain::brwPage_StatusTextChange(int index, const std::string& text) {
  if (IsCurrent(*this, state_, index)) StaMsg_.SetPanelText(1, text);
}

void frmMain::brwPage_ProgressChange(int /*index*/, std::int32_t progress,
                                     std::int32_t progress_max) {
  if (progress_max == 0 || progress == -1) return;
  // Sixty-four bits, so that a hundredfold progress cannot overflow.
  long long percent = static_cast<long long>(progress) * 100 / progress_max;
  StaMsg_.SetPanelText(2, std::to_string(percent) + "%");
}

void frmMain::brwPage_DownloadComplete(int index) {
  if (index == 0) return;
  BrowserControl& browser = brwPage_(index);
  Control& label = lblTab_(Val(browser.Tag()));
  const std::string title = browser.LocationName();
  label.SetCaption(title);
  label.SetToolTipText(title);
}

void frmMain::brwPage_TitleChange(int /*index*/, const std::string& text) {
  try {
    form_.SetCaption(text + kCaptionSuffix);
  } catch (const std::exception&) {
    services_.boxes.Show("Tit", kAppTitle);
  }
}

void frmMain::brwPage_BeforeNavigate2(int index, const std::string& url) {
  if (IsCurrent(*this, state_, index)) cmbURL_.SetText(url);
}

bool frmMain::brwPage_NewWindow2(int /*index*/) {
  if (state_.TabCount > kMaxTabs - 1) return true;
  LoadLbl();
  BrowserOfTab(state_.TabCount).Navigate2(StaMsg_.PanelText(1));
  picURL_.ZOrder();
  return true;
}

void frmMain::brwPage_NavigateComplete2(int index) {
  if (IsCurrent(*this, state_, index)) cmbURL_.SetText(brwPage_(index).LocationURL());
}

void frmMain::brwPage_WindowSetLeft(int /*index*/, std::int32_t left) { form_.SetLeft(left); }

void frmMain::brwPage_WindowSetTop(int /*index*/, std::int32_t top) { form_.SetTop(top); }

void frmMain::brwPage_WindowSetWidth(int /*index*/, std::int32_t width) { form_.SetWidth(width); }

void frmMain::brwPage_WindowSetHeight(int /*index*/, std::int32_t height) {
  form_.SetHeight(height);
}

}  // namespace tabulon
