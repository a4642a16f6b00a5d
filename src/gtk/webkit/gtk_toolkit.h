#pragma once
#include <gtkmm.h>

#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "gtk/question_bar.h"
#include "gtk/webkit/painted_tabs.h"
#include "gtk/webkit/web_engine.h"
#include "gtk/webkit/webkit_browser.h"
#include "platform/toolkit.h"

namespace tabulon::gtk {

// The main window's widgets: a menu bar above a client area in which every
// control sits where its model says (twips turned to pixels here).
class GtkToolkit final : public MainWindowToolkit {
 public:
  GtkToolkit(WebEngine& engine, std::function<void()> end_program);
  ~GtkToolkit() override;

  void BuildMainWindow(MainWindowControls controls, MainWindowInput& input) override;
  std::unique_ptr<ControlPeer> CreateTabLabel(int index, Control& label) override;
  std::unique_ptr<BrowserControl> CreateBrowser(int index, BrowserEvents& events) override;
  void ExpectTabFor(const std::string& address) override { engine_.Pool().ExpectAddress(address); }
  void ExpectWaitingTab() override { engine_.Pool().ExpectResting(); }
  void ShowPopupMenu(MenuItem& menu) override;
  void ShowMainWindow() override;
  void PresentMainWindow(const std::string& startup_id) override;
  ScreenArea WorkArea() override;
  void EndProgram() override;
  void RunLater(int delay_ms, std::function<void()> task) override;
  int AskInBar(const std::string& question, const std::string& yes, const std::string& no,
               std::function<void(bool yes)> answered) override;
  void CloseBar(int bar) override;

  Gtk::Window& Window() { return window_; }
  // What every browser, made before or after, asks for its home page and its
  // default text encoding.
  void SetBrowsingPreferences(BrowsingPreferences preferences) {
    preferences_ = std::move(preferences);
  }
  // Where a point of the client area (in twips) is on the screen, in pixels.
  void ClientToScreen(int x_twips, int y_twips, int& x, int& y);
  // Tells the program what the window system did to the window.
  void FeedWindow();

 private:
  class FormPeer;
  void BuildMenu(Gtk::MenuShell& shell, MenuItem& model);
  bool OnKeyPress(GdkEventKey* event);
  bool OnScroll(GdkEventScroll* event);
  PageArea* ShownPageArea() const;

  WebEngine& engine_;
  std::function<void()> end_program_;
  MainWindowInput* input_ = nullptr;
  bool feed_pending_ = false;
  sigc::connection feed_idle_;
  std::vector<sigc::connection> later_;
  BrowsingPreferences preferences_;
  // Which background tabs keep their pages drawn.
  PaintedTabs painted_tabs_;

  Gtk::Window window_;
  Gtk::Box vbox_{Gtk::ORIENTATION_VERTICAL};
  Gtk::MenuBar menu_bar_;
  Gtk::Layout client_;
  Gtk::Layout tab_strip_;
  Gtk::Layout url_bar_;
  Gtk::Menu popup_;
  // Questions about the whole window, between the menu bar and the rest,
  // by number; an answered one goes at the next question.
  std::map<int, std::unique_ptr<QuestionBar>> bars_;
  int last_bar_ = 0;
};

}  // namespace tabulon::gtk
