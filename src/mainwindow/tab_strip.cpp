// Switching tabs, the tab menu and the labels' popup menu.
#include "base/val.h"
#include "mainwindow/frm_main.h"

namespace tabulon {

void frmMain::lblTab_Click(int index) {
  if (index == state_.CurTab) return;
  HideSuggestions();
  Control& old_label = lblTab_(state_.CurTab);
  SetCurrentColours(old_label, false);
  if (governor_.now_ms && state_.CurTab >= 1) {
    hidden_since_[Val(old_label.Tag())] = governor_.now_ms();
  }
  BrowserControl& browser = BrowserOfTab(index);
  cmbURL_.SetText(browser.LocationURL());
  form_.SetCaption(browser.LocationName() + CaptionSuffix());
  // Below both bars in whichever order they are stacked, so that a page never
  // covers the tab strip.
  browser.SetTop(picURL_.Height() + picTab_.Height());
  int height = form_.ScaleHeight() - browser.Top() - (StaMsg_.Visible() ? StaMsg_.Height() : 0);
  browser.SetHeight(height > 0 ? height : 0);
  browser.SetWidth(form_.ScaleWidth());
  BrowserOfTab(state_.CurTab).SetVisible(false);
  browser.SetVisible(true);
  SetCurrentColours(lblTab_(index), true);
  ShowSleeping(index, false);
  state_.CurTab = static_cast<std::uint16_t>(index);
  SessionChanged();
  SyncBlockingItem();
}

void frmMain::lblTab_MouseDown(int /*index*/, int button, int /*shift*/, int /*x*/, int /*y*/) {
  if (button == 2) toolkit_.ShowPopupMenu(pop_menu_);
}

void frmMain::m_tab_kara_Click() { NewTab(); }

void frmMain::m_tab_copy_Click() { NewPage(TrimBlanks(BrowserOfTab(state_.CurTab).LocationURL())); }

void frmMain::m_tab_clip_Click() { NewPage(TrimBlanks(services_.clipboard.GetText())); }

void frmMain::m_tab1_Click() {
  if (state_.CurTab == 0) return;
  lblTab_Click(state_.CurTab == 1 ? state_.TabCount : state_.CurTab - 1);
}

void frmMain::m_tab2_Click() {
  if (state_.CurTab == 0) return;
  lblTab_Click(state_.CurTab == state_.TabCount ? 1 : state_.CurTab + 1);
}

void frmMain::m_tab3_Click() {
  if (state_.CurTab == 0) return;
  lblTab_Click(1);
}

void frmMain::m_tab4_Click() {
  if (state_.CurTab == 0) return;
  lblTab_Click(state_.TabCount);
}

void frmMain::m_tab5_Click() { CloseTab(); }

void frmMain::pop_Clip_Click() {
  services_.clipboard.SetText(TrimBlanks(BrowserOfTab(state_.CurTab).LocationURL()));
}

void frmMain::pop_Stop_Click() { BrowserOfTab(state_.CurTab).Stop(); }

void frmMain::pop_Reload_Click() { BrowserOfTab(state_.CurTab).Refresh2(); }

void frmMain::pop_close_Click() { CloseTab(); }

// The menu has closed by the time this runs; nothing else is to be done.
void frmMain::pop_cansel_Click() {}

}  // namespace tabulon
