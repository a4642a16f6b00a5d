// The window's own keys, seen before the focused control.
#include "base/keys.h"
#include "browsing/address.h"
#include "browsing/internet_settings.h"
#include "mainwindow/frm_main.h"

namespace tabulon {

bool frmMain::KeyPreview(int key, int mask) {
  // A shortcut of a menu item that can be reached from the menu bar runs its
  // item and goes no further; the hidden menus of full-screen mode do not.
  if (MenuItem* item = FindShortcut(menu_bar_, {key, mask})) {
    if (item->ReachableFromMenuBar()) {
      if (item->Click) item->Click();
      return true;
    }
  }
  return Form_KeyDown(key, mask);
}

bool frmMain::Form_KeyDown(int key, int mask) {
  WorkTab = static_cast<std::int16_t>(state_.CurTab);
  auto current = [this]() -> BrowserControl& { return BrowserOfTab(WorkTab); };

  if (key == kVkF11) {
    TryStep([&] { ChgFull(NormalMode); });
    return true;
  }
  if (mask == kAlt) {
    switch (key) {
      case kVkD: TryStep([&] { cmbURL_.SetFocus(); }); return true;
      case kVkHome: TryStep([&] { current().GoHome(); }); return true;
      case kVkRight: TryStep([&] { current().GoForward(); }); return true;
      case kVkLeft: TryStep([&] { current().GoBack(); }); return true;
    }
    return false;
  }
  if (mask == kCtrl) {
    switch (key) {
      case kVkTab:
        TryStep([&] {
          const int last = lblTab_.Count() - 1;
          lblTab_Click(state_.CurTab == last ? 1 : state_.CurTab + 1);
        });
        return true;
      case kVkW: CloseTab(); return true;
      case kVkR: TryStep([&] { current().Refresh2(); }); return true;
      case kVkE: TryStep([&] { current().GoSearch(); }); return true;
      case kVkN: TryStep([&] { NewTab(); }); return true;
      case kVkB: TryStep([&] { m_List_Click(); }); return true;
    }
  }
  if (mask == (kCtrl | kShift) && key == kVkTab) {
    if (state_.TabCount == 0) return true;
    TryStep([&] { lblTab_Click(state_.CurTab == 1 ? lblTab_.Count() - 1 : state_.CurTab - 1); });
    return true;
  }
  if (mask == kCtrl || mask == (kCtrl | kShift)) {
    const int shift_offset = mask == kCtrl ? 0 : 10;
    if (key >= kVk0 && key <= kVk9) {
      TryStep([&] { ChkOpen(static_cast<std::int16_t>(key - kVk0 + shift_offset)); });
      return true;
    }
    if (key >= kVkNumpad0 && key <= kVkNumpad9) {
      TryStep([&] { ChkOpen(static_cast<std::int16_t>(key - kVkNumpad0 + shift_offset)); });
      return true;
    }
  }
  return false;
}

void frmMain::cmbURL_KeyDown(int key, int /*mask*/) {
  WorkTab = static_cast<std::int16_t>(state_.CurTab);
  if (key == kVkEscape && cmbURL_.Edited()) {
    // Back to the page's own address, which its events may update again.
    TryStep([&] { cmbURL_.SetText(state_.CurTab ? BrowserOfTab(WorkTab).LocationURL() : ""); });
    cmbURL_.EndEditing();
    return;
  }
  if (key == kVkReturn) EnterUrl();
}

void frmMain::EnterUrl() {
  WorkTab = static_cast<std::int16_t>(state_.CurTab);
  cmbURL_.EndEditing();
  cmbURL_.AddItem(cmbURL_.Text());
  // Words go to the search address, read now: the options program may have
  // changed it.
  const std::string text = UrlBoxAddress(cmbURL_.Text(), ReadSearchAddress(services_.store));
  // A script typed here runs in the page shown, as a bookmarklet would; the
  // page stays.
  if (IsScriptAddress(text)) {
    const std::string script = BookmarkletScript(text);
    if (state_.CurTab == 0 || script.empty()) {
      StaMsg_.SetPanelText(1, kScriptAddressRefused);
    } else {
      BrowserOfTab(WorkTab).RunBookmarklet(script);
    }
    return;
  }
  if (state_.CurTab == 0) {
    // No tab to load it in: the address gets a tab of its own.
    if (state_.TabCount > kMaxTabs - 1) return;
    LoadLbl(text);
    BrowserOfTab(state_.TabCount).Navigate2(text);
    return;
  }
  BrowserOfTab(WorkTab).Navigate2(text);
}

void frmMain::cmbURL_LostFocus() {
  cmbURL_.EndEditing();
  HideSuggestions();
}

}  // namespace tabulon
