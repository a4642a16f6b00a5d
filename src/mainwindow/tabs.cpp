// The tab collection: pairs of a label and a browser, opened and closed.
#include "base/val.h"
#include "browsing/address.h"
#include "mainwindow/frm_main.h"

namespace tabulon {

void frmMain::LoadLbl() {
  state_.TabCount = static_cast<std::int16_t>(state_.TabCount + 1);
  const int n = state_.TabCount;
  lblTab_.Load(n);
  const int k = Val(lblTab_(n - 1).Tag()) + 1;
  BrowserControl& browser = brwPage_.Load(k);
  crash_guard_.Forget(k);
  LayOutStrip();
  lblTab_(n).SetTag(std::to_string(k));
  lblTab_(n).SetVisible(true);

  browser.SetLeft(5);
  browser.SetTag(std::to_string(n));
  browser.SetTop(picURL_.Height() + picTab_.Height());
  int height = form_.ScaleHeight() - browser.Top() - (StaMsg_.Visible() ? StaMsg_.Height() : 0);
  // A window too short for the bars leaves no room for the page, not a
  // negative height the control would refuse halfway through opening a tab.
  browser.SetHeight(height > 0 ? height : 0);
  browser.SetWidth(form_.ScaleWidth());

  if (n == 1) {
    state_.CurTab = 1;
    SetCurrentColours(lblTab_(1), true);
    browser.SetVisible(true);
  }
}

void frmMain::NewTab() {
  if (state_.TabCount > kMaxTabs - 1) return;
  LoadLbl();
  BrowserOfTab(state_.TabCount).Stop();
}

void frmMain::NewPage(const std::string& address) {
  if (state_.TabCount > kMaxTabs - 1) return;
  if (TrimBlanks(address).empty()) return;
  // A script address from a favourite or the clipboard opens nothing.
  if (IsScriptAddress(address)) {
    StaMsg_.SetPanelText(1, kScriptAddressRefused);
    return;
  }
  LoadLbl();
  BrowserOfTab(state_.TabCount).Navigate2(address);
  picURL_.ZOrder();
}

void frmMain::ChkOpen(std::int16_t n) {
  int slot = n == 0 ? 10 : n == 10 ? 20 : n;
  if (slot < 1 || slot > kFavouriteCount) return;
  const std::string& url = state_.UrlList[slot].Url;
  if (!TrimBlanks(url).empty()) NewPage(url);
}

void frmMain::CloseTab() {
  const int c = state_.CurTab;
  int k = 0;
  TryStep([&] {
    WorkTab = static_cast<std::int16_t>(c);
    k = Val(lblTab_(c).Tag());
  });
  TryStep([&] { SetCurrentColours(lblTab_(c), false); });
  for (int i = c; i <= state_.TabCount - 1; ++i) {
    TryStep([&] { BrowserOfTab(i + 1).SetTag(std::to_string(i)); });
  }
  for (int i = c; i <= state_.TabCount - 1; ++i) {
    TryStep([&] {
      lblTab_(i).SetTag(lblTab_(i + 1).Tag());
      lblTab_(i).SetCaption(lblTab_(i + 1).Caption());
      // The title in the tool tip moves with the caption it belongs to.
      lblTab_(i).SetToolTipText(lblTab_(i + 1).ToolTipText());
    });
  }
  TryStep([&] { brwPage_.Unload(k); });
  TryStep([&] { lblTab_.Unload(state_.TabCount); });
  TryStep([&] { cmbURL_.SetText(""); });
  // With no tab open there is nothing to close; the collection stays empty.
  if (state_.TabCount <= 1) {
    state_.CurTab = 0;
    state_.TabCount = 0;
    TryStep([&] { picURL_.ZOrder(); });
    return;
  }
  state_.TabCount = static_cast<std::int16_t>(state_.TabCount - 1);
  if (c == state_.TabCount + 1) state_.CurTab = static_cast<std::uint16_t>(c - 1);
  // The browser that takes over gets the current layout, whatever the
  // window went through while it was hidden.
  TryStep([&] {
    BrowserControl& browser = BrowserOfTab(state_.CurTab);
    PlaceBrowserBelowBars(browser);
    browser.SetVisible(true);
  });
  TryStep([&] { cmbURL_.SetText(BrowserOfTab(state_.CurTab).LocationURL()); });
  TryStep([&] { SetCurrentColours(lblTab_(state_.CurTab), true); });
  TryStep([&] { picURL_.ZOrder(); });
}

void frmMain::AllCloseTab() {
  WorkTab = static_cast<std::int16_t>(state_.CurTab);
  for (int i = state_.TabCount; i >= 1; --i) {
    brwPage_.Unload(Val(lblTab_(i).Tag()));
    lblTab_.Unload(i);
  }
  cmbURL_.SetText("");
  state_.CurTab = 0;
  state_.TabCount = 0;
}

}  // namespace tabulon
