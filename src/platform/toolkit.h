#pragma once
#include <functional>
#include <memory>
#include <string>

#include "platform/browser.h"
#include "platform/controls.h"

namespace tabulon {

// The fixed controls and menus of the main window, handed to the toolkit so
// it can build widgets that mirror them.
struct MainWindowControls {
  Form& form;
  Control& picTab;
  Control& picURL;
  Control& lblURL;
  ComboBox& cmbURL;
  StatusBar& StaMsg;
  MenuItem& menu_bar;
  MenuItem& pop_menu;
  // The pages offered under the URL box as the user types.
  DropList& lstSuggest;
};

// What the toolkit reports of the main window: user input and the window
// system's changes, as plain calls.
class MainWindowInput {
 public:
  virtual ~MainWindowInput() = default;
  virtual void lblTab_Click(int index) = 0;
  virtual void lblTab_MouseDown(int index, int button, int shift, int x, int y) = 0;
  // The window sees every key first. Returns true when the key is consumed.
  virtual bool KeyPreview(int key, int mask) = 0;
  virtual void cmbURL_KeyDown(int key, int mask) = 0;
  // The URL box lost the keyboard focus.
  virtual void cmbURL_LostFocus() = 0;
  // The user changed the URL box's text (already fed to its model).
  virtual void cmbURL_Change() = 0;
  // A key in the URL box, before the box acts on it: true when the list of
  // suggestions took it (moving through the list, choosing, closing it).
  virtual bool cmbURL_SuggestionKey(int key, int mask) = 0;
  // A row of the suggestions was clicked.
  virtual void lstSuggest_Click(int row) = 0;
  // Outer geometry and client size in twips, and the window state.
  virtual void WindowChanged(int left, int top, int width, int height, int scale_width,
                             int scale_height, int window_state) = 0;
  // The close box: the window unloads and the program ends.
  virtual void CloseRequested() = 0;
};

struct ScreenArea {
  int left = 0, top = 0, width = 0, height = 0;  // twips
};

class MainWindowToolkit {
 public:
  virtual ~MainWindowToolkit() = default;
  virtual void BuildMainWindow(MainWindowControls controls, MainWindowInput& input) = 0;
  virtual std::unique_ptr<ControlPeer> CreateTabLabel(int index, Control& label) = 0;
  virtual std::unique_ptr<BrowserControl> CreateBrowser(int index, BrowserEvents& events) = 0;
  // The next browser made is for a tab that opens address (the engine may
  // put the tabs of one site together).
  virtual void ExpectTabFor(const std::string& /*address*/) {}
  // The next browser made is for a tab whose page waits until it is first
  // shown: it needs no engine process until then.
  virtual void ExpectWaitingTab() {}
  virtual void ShowPopupMenu(MenuItem& menu) = 0;
  virtual void ShowMainWindow() = 0;
  // Brings the shown window to the front, for a later start of the browser
  // that handed its command line over; startup_id is its launcher's.
  virtual void PresentMainWindow(const std::string& /*startup_id*/) {}
  // The visible desktop area the window should stay on; empty when unknown.
  virtual ScreenArea WorkArea() = 0;
  // Ends the program once the current handler returns.
  virtual void EndProgram() = 0;
  // Runs `task` once, from the main loop, after about delay_ms.
  virtual void RunLater(int delay_ms, std::function<void()> task) = 0;
  // A question in a bar above the page area, answered by one of two
  // buttons (true for `yes`); the bar goes when answered. With `no` empty,
  // a notice with one button. Returns the bar's number for CloseBar.
  virtual int AskInBar(const std::string& question, const std::string& yes, const std::string& no,
                       std::function<void(bool yes)> answered) = 0;
  // Takes a bar away unanswered, when its question no longer stands.
  virtual void CloseBar(int bar) = 0;
};

}  // namespace tabulon
