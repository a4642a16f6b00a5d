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

ClosedTab frmMain::Remembered(int position) const {
  ClosedTab tab;
  TryStep([&] {
    const BrowserControl& browser = BrowserOfTab(position);
    tab.address = browser.LocationURL();
    tab.history = browser.History();
    tab.title = lblTab_(position).Caption();
  });
  return tab;
}

void frmMain::CloseTab() {
  const int c = state_.CurTab;
  if (c >= 1) closed_tabs_.Push({Remembered(c)});
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
  TryStep([&] { SyncBlockingItem(); });
  TryStep([&] { picURL_.ZOrder(); });
}

void frmMain::AllCloseTab() {
  WorkTab = static_cast<std::int16_t>(state_.CurTab);
  std::vector<ClosedTab> closing;
  for (int i = 1; i <= state_.TabCount; ++i) closing.push_back(Remembered(i));
  closed_tabs_.Push(std::move(closing));
  for (int i = state_.TabCount; i >= 1; --i) {
    brwPage_.Unload(Val(lblTab_(i).Tag()));
    lblTab_.Unload(i);
  }
  cmbURL_.SetText("");
  state_.CurTab = 0;
  state_.TabCount = 0;
}

void frmMain::m_tab_reopen_Click() {
  std::vector<ClosedTab> tabs = closed_tabs_.PopLatest();
  for (std::size_t i = 0; i < tabs.size(); ++i) {
    if (state_.TabCount > kMaxTabs - 1) {
      // A full strip keeps the rest for later.
      closed_tabs_.Push({tabs.begin() + static_cast<std::ptrdiff_t>(i), tabs.end()});
      break;
    }
    const ClosedTab& tab = tabs[i];
    LoadLbl();
    const int n = state_.TabCount;
    BrowserControl& browser = BrowserOfTab(n);
    TryStep([&] {
      lblTab_(n).SetCaption(tab.title);
      lblTab_(n).SetToolTipText(tab.title);
    });
    if (tab.history.empty() || !browser.RestoreHistory(tab.history)) {
      if (TrimBlanks(tab.address).empty()) {
        browser.Stop();
      } else {
        browser.Navigate2(tab.address);
      }
    }
    // One tab brought back is the one the user wants to see.
    if (tabs.size() == 1) TryStep([&] { lblTab_Click(n); });
  }
  picURL_.ZOrder();
}

}  // namespace tabulon
