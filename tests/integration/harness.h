#pragma once
#include <gtest/gtest.h>
#include <libsoup/soup.h>
#include <sys/types.h>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/application.h"
#include "browsing/start_page.h"
#include "gtk/downloads_view.h"
#include "gtk/gtk_services.h"
#include "gtk/history_view.h"
#include "gtk/webkit/downloads.h"
#include "gtk/webkit/gtk_toolkit.h"
#include "gtk/webkit/web_engine.h"
#include "history/history_store.h"
#include "settings/file_settings_store.h"

namespace tabulon::integration {

// Runs the main loop until the condition holds or the time is up.
bool PumpUntil(const std::function<bool()>& done, int timeout_ms = 20000);
// Runs the main loop for a while. Only for checking that nothing more
// happens; anything that can be named is waited for with PumpUntil.
void Pump(int ms);

// Brings the window to the front and waits until it has the keyboard focus,
// so that keys sent through the X server reach it.
bool PresentAndWaitForFocus(Gtk::Window& window);
// Waits until the window's focused widget is a text entry: the URL box, or
// one inside the given widget.
bool WaitForTextFocus(Gtk::Window& window, GtkWidget* inside = nullptr);
// Waits until the window has drawn a frame after this call: its layout,
// and so every widget's allocation, is up to date.
bool WaitForNextFrame(Gtk::Window& window);
// Waits for a frame, then until the main loop has nothing left to do, then
// for the frame that shows what that work changed.
bool WaitUntilSettled(Gtk::Window& window);
// The share (0 to 1) of the screen's pixels in the rectangle, in root window
// pixels, that have the colour 0xRRGGBB: what the X server really shows.
double ShareOfColour(int x, int y, int width, int height, unsigned rgb);
// Where a widget's top left corner is on the screen.
void ScreenOrigin(GtkWidget* widget, int& x, int& y);

// Runs a command line in the background and waits until it has ended,
// serving the main loop meanwhile.
bool RunWhilePumping(const std::string& command, int timeout_ms = 60000);

// Pages served on loopback by the test process itself.
class LoopbackServer {
 public:
  // host: a loopback address; another one (127.0.0.2) is another site.
  explicit LoopbackServer(const std::string& host = "127.0.0.1");
  ~LoopbackServer();
  void Serve(const std::string& path, const std::string& html,
             const std::string& content_type = "text/html; charset=utf-8");
  void Redirect(const std::string& path, const std::string& target);
  // The page may be kept in the engine's cache, which asks whether it is
  // still current before each use (and is told it is).
  void Cacheable(const std::string& path) { cacheable_.insert(path); }
  std::string Url(const std::string& path) const;
  int Hits(const std::string& path) const {
    auto it = hits_.find(path);
    return it == hits_.end() ? 0 : it->second;
  }

 private:
  static void Handle(SoupServer*, SoupServerMessage* msg, const char* path, GHashTable*,
                     gpointer self);
  SoupServer* server_;
  std::string host_;
  int port_ = 0;
  std::map<std::string, std::string> pages_;
  std::map<std::string, std::string> content_types_;
  std::map<std::string, std::string> redirects_;
  std::map<std::string, int> hits_;
  std::set<std::string> cacheable_;
};

class RecordingBoxes final : public MessageBoxes {
 public:
  std::vector<std::string> shown;
  void Show(const std::string& text, const std::string&) override { shown.push_back(text); }
};

// One run of the browser inside the test process: the real window, the real
// engine, the settings store in a folder of the test's own.
class BrowserRun {
 public:
  // exe_folder: where the browser believes it was started from (its AppDir,
  // where it looks for the options program); a fresh folder when empty.
  // session_folder: the data folder, where the session file, the history
  // and the cookies are kept; with none, no session is kept and the rest
  // is the run's own. private_window: a private window, keeping nothing.
  explicit BrowserRun(const std::string& config_dir, const std::string& command_line = "",
                      const std::string& exe_folder = "", const std::string& session_folder = "",
                      bool private_window = false);
  ~BrowserRun();
  frmMain& main() { return app->MainWindow(); }
  bool WaitForCaption(const std::string& caption) {
    return PumpUntil([&] { return main().Window().Caption() == caption; });
  }

  AppState state;
  // What the run tells the user of problems; shown in the window's bar.
  Problems problems;
  std::string cache_dir;  // the engine's, a folder of the run's own
  std::unique_ptr<gtk::WebEngine> engine;
  std::unique_ptr<gtk::GtkToolkit> toolkit;
  std::unique_ptr<FileSettingsStore> store;
  RecordingBoxes boxes;
  gtk::GtkClipboard clipboard;
  gtk::SpawnProcessStarter processes;
  std::unique_ptr<gtk::DownloadsWindowToolkit> downloads_window;
  gtk::EngineDownloads engine_downloads;
  std::unique_ptr<HistoryStore> history;
  std::unique_ptr<gtk::HistoryWindowToolkit> history_window;
  std::unique_ptr<Application> app;
  bool ended = false;
};

std::string TempFolder();

// Whether a window with exactly this caption is shown on the display.
bool WindowShown(const std::string& caption);

// The real browser program, started as its own process as a desktop would,
// with its XDG folders under `home`; `env` adds to (or replaces) the test's
// environment, without its accessibility bus address.
class BrowserProcess {
 public:
  BrowserProcess(const std::string& address, const std::string& home,
                 const std::vector<std::string>& env = {});
  ~BrowserProcess();
  bool Started() const { return started_; }
  bool Running() const;
  void Kill(int signal);
  std::string Errors() const;
  static std::string Program();
  // The environment it runs with.
  static std::vector<std::string> Environment(const std::string& home,
                                              const std::vector<std::string>& env);

 private:
  std::string log_;
  GPid pid_ = 0;
  bool started_ = false;
  bool reaped_ = false;
};

// Waits until the browser shows a window with this caption; false when it
// ended first or the time is up.
bool WaitForWindow(const BrowserProcess& browser, const std::string& caption);

// Waits until the tab's page has finished loading.
bool WaitForLoaded(BrowserRun& run, int tab);

// The visible button with the given label anywhere under the widget, or
// nullptr.
Gtk::Button* FindButton(Gtk::Widget& widget, const std::string& label);
// The engine's web processes this test process started, also those inside
// the sandbox, whose parent is bubblewrap.
std::vector<pid_t> WebProcesses();
// The visible label with the given text anywhere under the widget.
Gtk::Label* FindLabel(Gtk::Widget& widget, const std::string& text);
// The menu item with the given label anywhere under the widget, or nullptr.
Gtk::MenuItem* FindMenuItem(Gtk::Widget& widget, const std::string& label);

}  // namespace tabulon::integration
