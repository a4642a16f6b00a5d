// The tab collection: pairs of a label and a browser, opened and closed.
#include "base/val.h"
#include "browsing/address.h"
#include "mainwindow/frm_main.h"

namespace tabulon {

void frmMain::LoadLbl(const std::string& address) {
  if (!TrimBlanks(address).empty()) toolkit_.ExpectTabFor(NormalizeAddress(address));
  state_.TabCount = static_cast<std::int16_t>(state_.TabCount + 1);
  const int n = state_.TabCount;
  lblTab_.Load(n);
  const int k = Val(lblTab_(n - 1).Tag()) + 1;
  BrowserControl& browser = brwPage_.Load(k);
  crash_guard_.Forget(k);
  hidden_since_.erase(k);
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
  SessionChanged();
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
  LoadLbl(address);
  BrowserOfTab(state_.TabCount).Navigate2(address);
  picURL_.ZOrder();
}

void frmMain::ChkOpen(std::int16_t n) {
  int slot = n == 0 ? 10 : n == 10 ? 20 : n;
  if (slot < 1 || slot > kFavouriteCount) return;
  const std::string& url = state_.UrlList[slot].Url;
  if (!TrimBlanks(url).empty()) NewPage(url);
}

SavedTab frmMain::Remembered(int position) const {
  SavedTab tab;
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
  brwPage_Responsive(k, true);  // a page that is gone hangs no more
  brwPage_PageGone(k);          // nor asks for anything
  TryStep([&] { brwPage_.Unload(k); });
  TryStep([&] { lblTab_.Unload(state_.TabCount); });
  TryStep([&] { cmbURL_.SetText(""); });
  // With no tab open there is nothing to close; the collection stays empty.
  if (state_.TabCount <= 1) {
    state_.CurTab = 0;
    state_.TabCount = 0;
    TryStep([&] { picURL_.ZOrder(); });
    SessionChanged();
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
  SessionChanged();
}

void frmMain::AllCloseTab() {
  WorkTab = static_cast<std::int16_t>(state_.CurTab);
  std::vector<SavedTab> closing;
  for (int i = 1; i <= state_.TabCount; ++i) closing.push_back(Remembered(i));
  closed_tabs_.Push(std::move(closing));
  for (int i = state_.TabCount; i >= 1; --i) {
    brwPage_Responsive(Val(lblTab_(i).Tag()), true);
    brwPage_PageGone(Val(lblTab_(i).Tag()));
    brwPage_.Unload(Val(lblTab_(i).Tag()));
    lblTab_.Unload(i);
  }
  cmbURL_.SetText("");
  state_.CurTab = 0;
  state_.TabCount = 0;
  SessionChanged();
}

std::size_t frmMain::AppendTabs(const std::vector<SavedTab>& tabs, bool show_single) {
  std::size_t opened = 0;
  for (const SavedTab& tab : tabs) {
    if (state_.TabCount > kMaxTabs - 1) break;
    toolkit_.ExpectWaitingTab();
    LoadLbl(tab.address);
    ++opened;
    const int n = state_.TabCount;
    BrowserControl& browser = BrowserOfTab(n);
    TryStep([&] {
      lblTab_(n).SetCaption(tab.title);
      lblTab_(n).SetToolTipText(tab.title);
    });
    // A tab in the background loads when it is first shown.
    bool sleeping = true;
    if (tab.history.empty() || !browser.RestoreHistory(tab.history)) {
      if (TrimBlanks(tab.address).empty()) {
        browser.Stop();
        sleeping = false;
      } else {
        browser.LoadWhenShown(tab.address);
      }
    }
    if (sleeping) TryStep([&] { ShowSleeping(n, true); });
    if (show_single && tabs.size() == 1) TryStep([&] { lblTab_Click(n); });
  }
  picURL_.ZOrder();
  return opened;
}

void frmMain::m_tab_reopen_Click() {
  std::vector<SavedTab> tabs = closed_tabs_.PopLatest();
  const std::size_t opened = AppendTabs(tabs, true);
  // A full strip keeps the rest for later.
  if (opened < tabs.size()) {
    closed_tabs_.Push({tabs.begin() + static_cast<std::ptrdiff_t>(opened), tabs.end()});
  }
}

SavedSession frmMain::Session() const {
  SavedSession session;
  for (int p = 1; p <= state_.TabCount; ++p) session.tabs.push_back(Remembered(p));
  session.current = state_.CurTab;
  return session;
}

}  // namespace tabulon
