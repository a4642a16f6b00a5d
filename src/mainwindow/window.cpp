// Window creation, placement, layout, bar toggles and full-screen mode.
#include <algorithm>
#include <charconv>

#include "base/val.h"
#include "mainwindow/frm_main.h"
#include "mainwindow/placement.h"

namespace tabulon {

namespace {
constexpr const char* kSection = "Settings";
}

void frmMain::Form_Initialize() {
  try {
    state_.TabCount = 0;
    // The first use of a control loads the window.
    toolkit_.BuildMainWindow(
        {form_, picTab_, picURL_, lblURL_, cmbURL_, StaMsg_, menu_bar_, pop_menu_, lstSuggest_},
        *this);
    lblTab_.Load(0);
    brwPage_.Load(0);
    Form_Load();
    brwPage_(0).Stop();
    LoadLbl(state_.CommandLine);
    if (state_.CommandLine.empty()) {
      BrowserOfTab(1).GoHome();
    } else {
      BrowserOfTab(1).Navigate2(state_.CommandLine);
    }
    state_.CurTab = 1;
  } catch (const std::exception&) {
    services_.boxes.Show("init", kAppTitle);
  }
}

int frmMain::StoredValue(const char* key, int fallback) {
  std::string text = services_.store.GetSetting(kAppTitle, kSection, key, std::to_string(fallback));
  int value = 0;
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, value);
  // A value that is not a whole number reads as its default.
  if (ec != std::errc() || ptr != end) return fallback;
  return value;
}

void frmMain::Form_Load() {
  NormalMode = true;
  Placement placement{StoredValue("MainLeft", 1000), StoredValue("MainTop", 1000),
                      StoredValue("MainWidth", 6500), StoredValue("MainHeight", 6500)};
  // A size no window can have is as good as none stored.
  if (placement.width <= 0) placement.width = 6500;
  if (placement.height <= 0) placement.height = 6500;
  ScreenArea area = toolkit_.WorkArea();
  placement = FitToArea(placement, area);
  form_.SetLeft(placement.left);
  form_.SetTop(placement.top);
  form_.SetWidth(placement.width);
  form_.SetHeight(placement.height);
}

void frmMain::ArrangeDocked() {
  int top = 0;
  for (Control* bar : dock_order_) {
    bar->SetWidth(form_.ScaleWidth());
    if (bar->Top() != top) bar->SetTop(top);
    if (bar->Visible()) top += bar->Height();
  }
  StaMsg_.SetWidth(form_.ScaleWidth());
  StaMsg_.SetTop(form_.ScaleHeight() - StaMsg_.Height());
}

// The browser of the current layout: directly below whatever bars are shown,
// down to the status bar while it is visible.
void frmMain::PlaceBrowserBelowBars(BrowserControl& browser) {
  browser.SetWidth(form_.ScaleWidth());
  browser.SetTop(picURL_.Height() + picTab_.Height());
  int rest = form_.ScaleHeight() - browser.Top() - StaMsg_.Height();
  if (rest <= 0) {
    browser.SetHeight(0);
  } else if (StaMsg_.Visible()) {
    browser.SetHeight(rest);
  } else {
    browser.SetHeight(form_.ScaleHeight() - browser.Top());
  }
}

void frmMain::LayOutStrip() {
  const int count = lblTab_.Count();
  const int width = static_cast<int>(static_cast<long long>(form_.Width()) / count);
  for (int i = 1; i <= count - 1; ++i) {
    lblTab_(i).SetLeft(lblTab_(i - 1).Left() + lblTab_(i - 1).Width());
    lblTab_(i).SetWidth(width);
  }
}

void frmMain::Form_Resize() {
  WorkTab = static_cast<std::int16_t>(state_.CurTab);
  if (form_.GetWindowState() == kMinimized) return;
  try {
    PlaceBrowserBelowBars(BrowserOfTab(WorkTab));
    int room = form_.ScaleWidth() - cmbURL_.Left() - lblURL_.Width() - lblURL_.Left();
    cmbURL_.SetWidth(room > 0 ? form_.ScaleWidth() - lblURL_.Width() - lblURL_.Left() - 160 : 0);
    LayOutStrip();
  } catch (const std::exception&) {
    services_.boxes.Show("Resize", kAppTitle);
  }
}

void frmMain::Form_Unload() {
  if (unloaded_) return;
  unloaded_ = true;
  if (form_.GetWindowState() == kMinimized) return;
  services_.store.SaveSetting(kAppTitle, kSection, "MainLeft", std::to_string(form_.Left()));
  services_.store.SaveSetting(kAppTitle, kSection, "MainTop", std::to_string(form_.Top()));
  services_.store.SaveSetting(kAppTitle, kSection, "MainWidth", std::to_string(form_.Width()));
  services_.store.SaveSetting(kAppTitle, kSection, "MainHeight", std::to_string(form_.Height()));
}

void frmMain::CloseRequested() {
  if (dialogs_ && !dialogs_->AllowQuit()) return;
  Form_Unload();
  toolkit_.EndProgram();
}

void frmMain::WindowChanged(int left, int top, int width, int height, int scale_width,
                            int scale_height, int window_state) {
  // The list under the URL box would be left behind where the box was.
  if (left != form_.Left() || top != form_.Top() || width != form_.Width() ||
      height != form_.Height()) {
    HideSuggestions();
  }
  bool resized = width != form_.Width() || height != form_.Height() ||
                 scale_width != form_.ScaleWidth() || scale_height != form_.ScaleHeight() ||
                 window_state != form_.GetWindowState();
  form_.FeedGeometry(left, top, width, height);
  form_.FeedClientSize(scale_width, scale_height);
  form_.FeedWindowState(window_state);
  if (resized) {
    ArrangeDocked();
    Form_Resize();
  }
}

// Puts a bar on top of the other one.
static void PutFirst(Control* order[2], Control* bar) {
  if (order[0] != bar) std::swap(order[0], order[1]);
}

void frmMain::m_view_tab_Click() {
  picTab_.SetVisible(!picTab_.Visible());
  if (picTab_.Visible()) {
    picTab_.SetHeight(kTabStripHeight);
    Menu("m_view_tab").SetChecked(true);
    if (picURL_.Visible()) PutFirst(dock_order_, &picURL_);
  } else {
    picTab_.SetHeight(0);
    Menu("m_view_tab").SetChecked(false);
  }
  ArrangeDocked();
  Form_Resize();
}

void frmMain::m_view_URL_Click() {
  picURL_.SetVisible(!picURL_.Visible());
  if (picURL_.Visible()) {
    picURL_.SetHeight(kUrlBarHeight);
    Menu("m_view_URL").SetChecked(true);
    if (picTab_.Visible()) PutFirst(dock_order_, &picURL_);
  } else {
    picURL_.SetHeight(0);
    Menu("m_view_URL").SetChecked(false);
  }
  ArrangeDocked();
  Form_Resize();
}

void frmMain::m_view_sts_Click() {
  StaMsg_.SetVisible(!StaMsg_.Visible());
  MenuItem& item = Menu("m_view_sts");
  item.SetChecked(!item.Checked());
  ArrangeDocked();
  Form_Resize();
}

void frmMain::m_view_full_Click() { ChgFull(NormalMode); }

void frmMain::ChgFull(bool& normal_mode) {
  if (normal_mode) {
    picTab_.SetVisible(false);
    picURL_.SetVisible(false);
    picTab_.SetHeight(0);
    picURL_.SetHeight(0);
    StaMsg_.SetVisible(false);
    SaveState = static_cast<std::int16_t>(form_.GetWindowState());
    form_.SetWindowState(kMaximized);
    normal_mode = false;
  } else {
    picTab_.SetVisible(Menu("m_view_tab").Checked());
    if (picTab_.Visible()) picTab_.SetHeight(kTabStripHeight);
    picURL_.SetVisible(Menu("m_view_URL").Checked());
    if (picURL_.Visible()) picURL_.SetHeight(kUrlBarHeight);
    StaMsg_.SetVisible(Menu("m_view_sts").Checked());
    form_.SetWindowState(SaveState);
    normal_mode = true;
  }
  for (const char* name : {"m_tab", "m_page", "m_all", "m_sette", "m_help", "m_view"}) {
    Menu(name).SetVisible(normal_mode);
  }
  ArrangeDocked();
  Form_Resize();
}

}  // namespace tabulon
