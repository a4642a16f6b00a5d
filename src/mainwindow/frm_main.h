#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "base/state.h"
#include "browsing/site_permissions.h"
#include "history/url_suggestions.h"
#include "mainwindow/closed_tabs.h"
#include "mainwindow/crash_guard.h"
#include "platform/browser.h"
#include "platform/control_array.h"
#include "platform/controls.h"
#include "platform/dialogs.h"
#include "platform/history_sink.h"
#include "platform/services.h"
#include "platform/toolkit.h"
#include "settings/settings_store.h"

namespace tabulon {

struct Placement;

struct MainWindowServices {
  SettingsStore& store;
  MessageBoxes& boxes;
  Clipboard& clipboard;
  ProcessStarter& processes;
};

inline constexpr Colour kCurrentTabColour = 0x80FFFF;  // light yellow
inline constexpr Colour kOtherTabColour = 0xFF8080;    // light blue
// The text of a tab whose page is not in the engine (restored or
// discarded, not shown since).
inline constexpr Colour kSleepingTabText = 0x808080;  // grey
inline constexpr int kTabStripHeight = 255;
inline constexpr int kUrlBarHeight = 315;
inline constexpr const char* kCaptionSuffix = " - Tabulon - ";
// What a private window's caption ends in, after kCaptionSuffix.
inline constexpr const char* kPrivateCaption = "プライベート";
// The smallest window a page can ask for (300 x 200 pixels).
inline constexpr int kMinPageWindowWidth = 4500;
inline constexpr int kMinPageWindowHeight = 3000;

// The main browser window: tabs, strip, layout, browser events, commands and
// keys. Toolkit-free: the toolkit mirrors its control models into widgets.
class frmMain final : public MainWindowInput, public BrowserEvents {
 public:
  frmMain(AppState& state, MainWindowToolkit& toolkit, MainWindowServices services);
  ~frmMain() override;

  // Creates the window (its first tab included) and shows it.
  void Show();
  void SetDialogs(WindowDialogs* dialogs) { dialogs_ = dialogs; }

  // Window creation and layout.
  void Form_Initialize();
  void Form_Load();
  void Form_Resize();
  void Form_Unload();
  void ChgFull(bool& normal_mode);
  void m_view_tab_Click();
  void m_view_sts_Click();
  void m_view_URL_Click();
  void m_view_full_Click();

  // Tab collection.
  // Opens a tab; address, when known, is what it will open (the engine
  // may put it with the tabs of its site).
  void LoadLbl(const std::string& address = "");
  void NewTab();
  void NewPage(const std::string& address);
  void ChkOpen(std::int16_t n);
  void CloseTab();
  void AllCloseTab();
  // Opens the tabs of the latest close again, at the right end of the strip,
  // each with its history.
  void m_tab_reopen_Click();
  // Opens saved tabs at the right end of the strip, with their titles on the
  // labels and their histories; those in the background load when first
  // shown. A single tab is shown when show_single says so. Returns how many
  // fitted in the strip.
  std::size_t AppendTabs(const std::vector<SavedTab>& tabs, bool show_single);
  // The open tabs, in strip order, and which is current.
  SavedSession Session() const;
  // Called whenever what Session() gives may have changed: a tab opened or
  // closed, a page committed, a title changed.
  void SetSessionChanged(std::function<void()> changed) { session_changed_ = std::move(changed); }

  // Tab strip and tab menus.
  void lblTab_Click(int index) override;
  void lblTab_MouseDown(int index, int button, int shift, int x, int y) override;
  void m_tab_kara_Click();
  void m_tab_copy_Click();
  void m_tab_clip_Click();
  void m_tab1_Click();
  void m_tab2_Click();
  void m_tab3_Click();
  void m_tab4_Click();
  void m_tab5_Click();
  void pop_Clip_Click();
  void pop_Stop_Click();
  void pop_Reload_Click();
  void pop_close_Click();
  void pop_cansel_Click();

  // Page, all-tab and program commands.
  void m_menu_Click(int index);
  void m_all_reload_Click();
  void m_all_stop_Click();
  void m_all_close_Click();
  void m_clip_Click();
  void m_end_Click();
  void m_List_Click();
  void MnuOpt_Click();
  void m_ver_Click();
  void m_download_Click();
  // Starts the browser again with a private window.
  void m_tab_private_Click();
  // What the caption shows after the page's title.
  std::string CaptionSuffix() const {
    return state_.Private ? std::string(kCaptionSuffix) + kPrivateCaption : kCaptionSuffix;
  }
  // Turns blocking ads and trackers on or off for the current tab's site.
  void m_page_block_Click();

  // Browser events.
  void brwPage_StatusTextChange(int index, const std::string& text) override;
  void brwPage_ProgressChange(int index, std::int32_t progress, std::int32_t progress_max) override;
  void brwPage_DownloadComplete(int index) override;
  void brwPage_TitleChange(int index, const std::string& text) override;
  void brwPage_BeforeNavigate2(int index, const std::string& url) override;
  bool brwPage_NewWindow2(int index, const std::string& requested_url) override;
  void brwPage_NavigateComplete2(int index) override;
  void brwPage_WindowSetLeft(int index, std::int32_t left) override;
  void brwPage_WindowSetTop(int index, std::int32_t top) override;
  void brwPage_WindowSetWidth(int index, std::int32_t width) override;
  void brwPage_WindowSetHeight(int index, std::int32_t height) override;
  void brwPage_ProcessTerminated(int index, std::int64_t now_ms) override;
  void brwPage_Responsive(int index, bool responsive) override;
  void brwPage_PermissionRequest(int index, int request, PermissionKind kind,
                                 const std::string& url) override;
  void brwPage_PageGone(int index) override;

  // Keys, the URL box and the window system.
  bool KeyPreview(int key, int mask) override;
  bool Form_KeyDown(int key, int mask);
  void cmbURL_KeyDown(int key, int mask) override;
  void cmbURL_LostFocus() override;
  void cmbURL_Change() override;
  bool cmbURL_SuggestionKey(int key, int mask) override;
  void lstSuggest_Click(int row) override;
  void WindowChanged(int left, int top, int width, int height, int scale_width, int scale_height,
                     int window_state) override;
  void CloseRequested() override;

  // Controls, by the names the handlers use.
  Form& Window() { return form_; }
  Control& picTab() { return picTab_; }
  Control& picURL() { return picURL_; }
  Control& lblURL() { return lblURL_; }
  ComboBox& cmbURL() { return cmbURL_; }
  DropList& lstSuggest() { return lstSuggest_; }
  StatusBar& StaMsg() { return StaMsg_; }
  Control& lblTab(int index) const { return lblTab_(index); }
  BrowserControl& brwPage(int index) const { return brwPage_(index); }
  const ControlArray<Control>& lblTabs() const { return lblTab_; }
  const ControlArray<BrowserControl>& brwPages() const { return brwPage_; }
  MenuItem& MenuBar() { return menu_bar_; }
  MenuItem& PopMenu() { return pop_menu_; }
  // A menu item by its name ("m_view_tab", "m_menu(3)", "pop_Clip").
  MenuItem& Menu(const std::string& name);

  bool NormalMode = true;
  std::int16_t SaveState = 0;
  std::int16_t WorkTab = 0;

  // The browser of the tab at a position: brwPage(Val(lblTab(p).Tag)).
  BrowserControl& BrowserOfTab(int position) const;

 private:
  void ApplyPageGeometry(Placement wanted);
  void ShowHangBar();
  // Builds the menu bar and the popup menu, handlers wired, from the table
  // of the window's commands.
  void BuildMenus();
  void ArrangeDocked();
  void PlaceBrowserBelowBars(BrowserControl& browser);
  void LayOutStrip();
  void SetCurrentColours(Control& label, bool current);
  void ApplyStoredPlacement();
  int StoredValue(const char* key, int fallback);
  MenuItem* FindMenu(MenuItem& root, const std::string& name);
  MenuItem* FindShortcut(MenuItem& root, Shortcut shortcut);
  // Checks the blocking item as the current tab's site has it.
  void SyncBlockingItem();

  AppState& state_;
  MainWindowToolkit& toolkit_;
  MainWindowServices services_;

  Form form_;
  Control picTab_, picURL_, lblURL_;
  ComboBox cmbURL_;
  DropList lstSuggest_;
  StatusBar StaMsg_;
  // The order of the bars docked to the top edge, outermost first.
  Control* dock_order_[2];
  MenuItem menu_bar_{"menu_bar", ""};
  MenuItem pop_menu_{"pop_menu", "ﾎﾟｯﾌﾟｱｯﾌﾟ"};
  ControlArray<Control> lblTab_;
  ControlArray<BrowserControl> brwPage_;
  bool unloaded_ = false;
  WindowDialogs* dialogs_ = nullptr;
  CrashGuard crash_guard_;
  ClosedTabs closed_tabs_;
  std::function<void()> session_changed_;
  // Browsers whose page does not answer, and the bar that says so (0: none).
  std::set<int> unresponsive_;
  int hang_bar_ = 0;
  bool hang_bar_due_ = false;  // asked for, shown once the tabs are told
  void SessionChanged() {
    if (session_changed_) session_changed_();
  }
  SavedTab Remembered(int position) const;
  // Permission requests waiting for the user, each in a bar of its own.
  PendingPermissions permissions_;
  // A private window's answers, kept for its run only.
  std::map<std::pair<std::string, PermissionKind>, bool> private_answers_;
  void PermissionAnswered(int index, int request, bool allow);

 public:
  // The history: where the pages the tabs show are reported (none: nowhere),
  // and its window (Ctrl+H).
  // The memory governor: every minute, background tabs out of sight for
  // the options program's time, or the longest out of sight while the
  // browser is over its memory budget, are discarded.
  struct TabGovernor {
    std::function<std::int64_t()> now_ms;  // a steady clock
    std::function<bool()> over_budget;
  };
  void StartTabGovernor(TabGovernor governor);
  // One check, now.
  void GovernTabs();

  void SetHistory(HistorySink* history, const SuggestionSource* suggestions = nullptr) {
    history_ = history;
    suggestions_ = suggestions;
  }
  void m_history_Click();

 private:
  // The URL box's text entered: the design's own Enter.
  void EnterUrl();
  // Goes where a row of the suggestions leads: its tab, or its address.
  void ChooseSuggestion(int row);
  void HideSuggestions();

  HistorySink* history_ = nullptr;
  const SuggestionSource* suggestions_ = nullptr;
  TabGovernor governor_;
  // When each background tab's browser left the screen, by browser index.
  std::map<int, std::int64_t> hidden_since_;
  // The label's text shows whether its page is in the engine.
  void ShowSleeping(int position, bool sleeping);
  // What the rows of lstSuggest_ stand for.
  std::vector<Suggestion> suggested_;
};

}  // namespace tabulon
