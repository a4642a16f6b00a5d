// What the tabs' browsers report, and what each report changes.
#include <algorithm>

#include "base/val.h"
#include "browsing/address.h"
#include "browsing/crash_page.h"
#include "mainwindow/frm_main.h"
#include "mainwindow/placement.h"

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
  SessionChanged();
  if (history_) history_->PageTitled(index, browser.LocationURL(), title);
}

void frmMain::brwPage_TitleChange(int index, const std::string& text) {
  try {
    form_.SetCaption(text + CaptionSuffix());
  } catch (const std::exception&) {
    services_.boxes.Show("Tit", kAppTitle);
  }
  SessionChanged();
  if (history_ && index != 0 && brwPage_.Exists(index)) {
    history_->PageTitled(index, brwPage_(index).LocationURL(), text);
  }
}

// While the user types in the URL box, the page's address changes leave the
// typed text alone: Enter must load what was typed.
void frmMain::brwPage_BeforeNavigate2(int index, const std::string& url) {
  if (IsCurrent(*this, state_, index) && !cmbURL_.Edited()) cmbURL_.SetText(url);
}

bool frmMain::brwPage_NewWindow2(int index, const std::string& requested_url) {
  if (state_.TabCount > kMaxTabs - 1) return true;
  // The address the page asked for; the status text (the link under the
  // pointer) only when the engine gives none: a script's window.open has
  // nothing to do with whatever the status bar happened to show.
  const std::string target = requested_url.empty() ? StaMsg_.PanelText(1) : requested_url;
  if (IsScriptAddress(target)) {
    StaMsg_.SetPanelText(1, kScriptAddressRefused);
    return true;
  }
  // A page whose tab is gone by now counts as a web page.
  const std::string opener = brwPage_.Exists(index) ? brwPage_(index).LocationURL() : "http:";
  if (!PageMayOpen(opener, target)) {
    StaMsg_.SetPanelText(1, kLocalAddressRefused);
    return true;
  }
  LoadLbl(target);
  BrowserOfTab(state_.TabCount).Navigate2(target);
  picURL_.ZOrder();
  return true;
}

void frmMain::brwPage_NavigateComplete2(int index) {
  SessionChanged();
  if (history_ && index != 0 && brwPage_.Exists(index)) {
    history_->PageVisited(index, brwPage_(index).LocationURL());
  }
  if (!IsCurrent(*this, state_, index)) return;
  if (!cmbURL_.Edited()) cmbURL_.SetText(brwPage_(index).LocationURL());
  SyncBlockingItem();
}

// A page that keeps its process busy is named in a bar, whichever tab it is
// in, with the choice to wait or to stop it. The tabs of one process are
// told one after another: the bar waits until all of them have been, and
// names the current tab when it is one of them, else the oldest.
void frmMain::brwPage_Responsive(int index, bool responsive) {
  if (index == 0) return;
  if (responsive) {
    unresponsive_.erase(index);
    if (unresponsive_.empty() && hang_bar_ != 0) {
      toolkit_.CloseBar(hang_bar_);
      hang_bar_ = 0;
    }
    return;
  }
  unresponsive_.insert(index);
  if (hang_bar_ != 0 || hang_bar_due_) return;
  hang_bar_due_ = true;
  toolkit_.RunLater(0, [this] {
    hang_bar_due_ = false;
    ShowHangBar();
  });
}

namespace {
// After 待つ, a page still not answering is named again this much later.
constexpr int kAskAgainAfterWaitMs = 10000;
}  // namespace

void frmMain::ShowHangBar() {
  if (hang_bar_ != 0 || unresponsive_.empty()) return;
  const int current = state_.CurTab >= 1 ? Val(lblTab_(state_.CurTab).Tag()) : 0;
  const int named = unresponsive_.count(current) ? current : *unresponsive_.begin();
  if (!brwPage_.Exists(named)) return;
  BrowserControl& page = brwPage_(named);
  std::string title = page.LocationName();
  if (title.empty()) title = page.LocationURL();
  hang_bar_ = toolkit_.AskInBar(
      "「" + title + "」が応答していません", "待つ", "ページを停止", [this, named](bool wait) {
        hang_bar_ = 0;
        if (wait) {
          toolkit_.RunLater(kAskAgainAfterWaitMs, [this] { ShowHangBar(); });
          return;
        }
        if (!brwPage_.Exists(named)) return;
        TryStep([&] { brwPage_(named).EndProcess(); });
      });
}

// A page may move and size the window, but never off the visible screen nor
// below a usable size: a page must not hide the browser from its user.
void frmMain::ApplyPageGeometry(Placement wanted) {
  wanted.width = std::max(wanted.width, kMinPageWindowWidth);
  wanted.height = std::max(wanted.height, kMinPageWindowHeight);
  Placement fitted = FitToArea(wanted, toolkit_.WorkArea());
  if (fitted.left != form_.Left()) form_.SetLeft(fitted.left);
  if (fitted.top != form_.Top()) form_.SetTop(fitted.top);
  if (fitted.width != form_.Width()) form_.SetWidth(fitted.width);
  if (fitted.height != form_.Height()) form_.SetHeight(fitted.height);
}

void frmMain::brwPage_ProcessTerminated(int index, std::int64_t now_ms) {
  if (index == 0) return;  // the template shows nothing
  BrowserControl& browser = brwPage_(index);
  const std::string url = browser.LocationURL();
  const bool reload = crash_guard_.ShouldReload(index, now_ms);
  if (IsCurrent(*this, state_, index)) {
    StaMsg_.SetPanelText(1, reload ? "ページを表示していたプロセスが停止しました。再読み込みします"
                                   : "ページがくり返し停止したため、表示を中止しました");
  }
  // Once more, the page gets a second chance; twice in a row, it gets a page
  // of ours, so that a page that kills its process cannot loop.
  if (reload) {
    browser.Refresh2();
  } else {
    browser.Navigate2(CrashPageAddress(url));
  }
}

void frmMain::brwPage_WindowSetLeft(int /*index*/, std::int32_t left) {
  ApplyPageGeometry({left, form_.Top(), form_.Width(), form_.Height()});
}

void frmMain::brwPage_WindowSetTop(int /*index*/, std::int32_t top) {
  ApplyPageGeometry({form_.Left(), top, form_.Width(), form_.Height()});
}

void frmMain::brwPage_WindowSetWidth(int /*index*/, std::int32_t width) {
  ApplyPageGeometry({form_.Left(), form_.Top(), width, form_.Height()});
}

void frmMain::brwPage_WindowSetHeight(int /*index*/, std::int32_t height) {
  ApplyPageGeometry({form_.Left(), form_.Top(), form_.Width(), height});
}

}  // namespace tabulon
