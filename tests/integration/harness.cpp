#include "harness.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <thread>

#include "browsing/blocked_sites.h"
#include "browsing/internet_settings.h"
#include "browsing/search_page.h"
#include "browsing/site_permissions.h"
#include "gtk/webkit/webkit_browser.h"
#include "settings/basqks_api.h"

namespace tabulon::integration {

bool PumpUntil(const std::function<bool()>& done, int timeout_ms) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    if (!g_main_context_iteration(nullptr, FALSE)) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
  return true;
}

void Pump(int ms) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  PumpUntil([&] { return std::chrono::steady_clock::now() > end; }, ms + 1000);
}

bool PresentAndWaitForFocus(Gtk::Window& window) {
  window.present();
  return PumpUntil([&] { return window.get_mapped() && window.has_toplevel_focus(); }, 10000);
}

bool WaitForTextFocus(Gtk::Window& window, GtkWidget* inside) {
  return PumpUntil(
      [&] {
        GtkWidget* focus = gtk_window_get_focus(window.gobj());
        return focus && GTK_IS_ENTRY(focus) && gtk_widget_get_mapped(focus) &&
               (!inside || gtk_widget_is_ancestor(focus, inside));
      },
      10000);
}

bool WaitForNextFrame(Gtk::Window& window) {
  GdkFrameClock* clock = gtk_widget_get_frame_clock(GTK_WIDGET(window.gobj()));
  if (!clock) return false;
  bool painted = false;
  const gulong handler = g_signal_connect(
      clock, "after-paint",
      G_CALLBACK(+[](GdkFrameClock*, gpointer done) { *static_cast<bool*>(done) = true; }),
      &painted);
  window.queue_draw();
  const bool ok = PumpUntil([&] { return painted; }, 5000);
  g_signal_handler_disconnect(clock, handler);
  return ok;
}

double ShareOfColour(int x, int y, int width, int height, unsigned rgb) {
  GdkPixbuf* shot = gdk_pixbuf_get_from_window(gdk_get_default_root_window(), x, y, width, height);
  if (!shot) return 0;
  const int channels = gdk_pixbuf_get_n_channels(shot), stride = gdk_pixbuf_get_rowstride(shot);
  const guchar* pixels = gdk_pixbuf_get_pixels(shot);
  long matching = 0;
  for (int row = 0; row < height; ++row) {
    for (int column = 0; column < width; ++column) {
      const guchar* p = pixels + row * stride + column * channels;
      matching += ((unsigned{p[0]} << 16) | (unsigned{p[1]} << 8) | p[2]) == rgb;
    }
  }
  g_object_unref(shot);
  return static_cast<double>(matching) / (static_cast<double>(width) * height);
}

void ScreenOrigin(GtkWidget* widget, int& x, int& y) {
  x = y = 0;
  GtkWidget* top = gtk_widget_get_toplevel(widget);
  gdk_window_get_origin(gtk_widget_get_window(top), &x, &y);
  int dx = 0, dy = 0;
  gtk_widget_translate_coordinates(widget, top, 0, 0, &dx, &dy);
  x += dx;
  y += dy;
}

bool WaitUntilSettled(Gtk::Window& window) {
  if (!WaitForNextFrame(window)) return false;
  bool idle = false;
  g_idle_add_full(
      G_PRIORITY_LOW,
      [](gpointer done) -> gboolean {
        *static_cast<bool*>(done) = true;
        return G_SOURCE_REMOVE;
      },
      &idle, nullptr);
  return PumpUntil([&] { return idle; }, 5000) && WaitForNextFrame(window);
}

bool WaitForLoaded(BrowserRun& run, int tab) {
  WebKitWebView* view = static_cast<gtk::WebKitBrowser&>(run.main().BrowserOfTab(tab)).View();
  return PumpUntil([&] { return !webkit_web_view_is_loading(view); });
}

bool RunWhilePumping(const std::string& command, int timeout_ms) {
  const char* argv[] = {"/bin/sh", "-c", command.c_str(), nullptr};
  GPid pid = 0;
  if (!g_spawn_async(nullptr, const_cast<gchar**>(argv), nullptr, G_SPAWN_DO_NOT_REAP_CHILD,
                     nullptr, nullptr, &pid, nullptr)) {
    return false;
  }
  bool ended = false;
  const guint watch = g_child_watch_add(
      pid,
      [](GPid child, gint, gpointer done) {
        *static_cast<bool*>(done) = true;
        g_spawn_close_pid(child);
      },
      &ended);
  const bool finished = PumpUntil([&] { return ended; }, timeout_ms);
  if (!finished) {
    g_source_remove(watch);
    kill(pid, SIGKILL);
  }
  return finished;
}

LoopbackServer::LoopbackServer(const std::string& host)
    : server_(soup_server_new(nullptr, nullptr)), host_(host) {
  soup_server_add_handler(server_, nullptr, &LoopbackServer::Handle, this, nullptr);
  GError* error = nullptr;
  GSocketAddress* address = g_inet_socket_address_new_from_string(host.c_str(), 0);
  const bool listening =
      address && soup_server_listen(server_, address, SoupServerListenOptions(0), &error);
  if (address) g_object_unref(address);
  if (!listening) {
    if (!error) error = g_error_new_literal(G_IO_ERROR, G_IO_ERROR_INVALID_ARGUMENT, "bad host");
    ADD_FAILURE() << "cannot listen on loopback: " << error->message;
    g_error_free(error);
    return;
  }
  GSList* uris = soup_server_get_uris(server_);
  if (uris) port_ = g_uri_get_port(static_cast<GUri*>(uris->data));
  g_slist_free_full(uris, reinterpret_cast<GDestroyNotify>(g_uri_unref));
}

LoopbackServer::~LoopbackServer() {
  soup_server_disconnect(server_);
  g_object_unref(server_);
}

void LoopbackServer::Serve(const std::string& path, const std::string& html,
                           const std::string& content_type) {
  pages_[path] = html;
  content_types_[path] = content_type;
}

void LoopbackServer::Redirect(const std::string& path, const std::string& target) {
  redirects_[path] = target;
}

std::string LoopbackServer::Url(const std::string& path) const {
  return "http://" + host_ + ":" + std::to_string(port_) + path;
}

void LoopbackServer::Handle(SoupServer*, SoupServerMessage* msg, const char* path, GHashTable*,
                            gpointer self) {
  auto* server = static_cast<LoopbackServer*>(self);
  ++server->hits_[path];
  auto redirect = server->redirects_.find(path);
  if (redirect != server->redirects_.end()) {
    soup_server_message_set_redirect(msg, 302, redirect->second.c_str());
    return;
  }
  auto it = server->pages_.find(path);
  if (it == server->pages_.end()) {
    soup_server_message_set_status(msg, 404, nullptr);
    return;
  }
  if (server->cacheable_.count(path)) {
    SoupMessageHeaders* response = soup_server_message_get_response_headers(msg);
    soup_message_headers_append(response, "Cache-Control", "no-cache");
    soup_message_headers_append(response, "ETag", "\"1\"");
    if (soup_message_headers_get_one(soup_server_message_get_request_headers(msg),
                                     "If-None-Match")) {
      soup_server_message_set_status(msg, 304, nullptr);
      return;
    }
  }
  soup_server_message_set_status(msg, 200, nullptr);
  soup_server_message_set_response(msg, server->content_types_[path].c_str(), SOUP_MEMORY_COPY,
                                   it->second.data(), it->second.size());
}

BrowserRun::BrowserRun(const std::string& config_dir, const std::string& command_line,
                       const std::string& exe_folder, const std::string& session_folder,
                       bool private_window) {
  state.CommandLine = command_line;
  state.Private = private_window;
  problems.SetPost(gtk::PostToMainLoop);
  // As the browser lays out its data folder: cookies, history and session
  // side by side; a private window keeps none of them.
  const std::string data = private_window           ? ""
                           : session_folder.empty() ? TempFolder()
                                                    : session_folder;
  store = std::make_unique<FileSettingsStore>(config_dir);
  cache_dir = TempFolder();
  engine = std::make_unique<gtk::WebEngine>(data, cache_dir,
                                            [this](const std::string& uri) -> std::string {
                                              return BuiltInPageHtml(uri, state, *store);
                                            });
  engine->Blocker().SetProblems(&problems);
  engine->SetTrackingProtection(ReadTrackingProtection(*store));
  engine->SetNotificationAnswers([this] { return NotificationAnswers(*store); });
  toolkit = std::make_unique<gtk::GtkToolkit>(*engine, [this] { ended = true; });
  toolkit->SetBrowsingPreferences(
      {[this] { return ReadHomePage(*store); }, [this] { return ReadDefaultEncoding(*store); },
       [this](const std::string& url) { return BlocksAdsAt(*store, url); },
       [this] { return ReadTrackingProtection(*store); }});
  downloads_window = std::make_unique<gtk::DownloadsWindowToolkit>(&toolkit->Window());
  app = std::make_unique<Application>(state, *toolkit,
                                      MainWindowServices{*store, boxes, clipboard, processes},
                                      exe_folder.empty() ? TempFolder() : exe_folder);
  app->SetProblems(problems);
  app->SetDownloads(*downloads_window, engine_downloads);
  gtk::ReportDownloadsTo(app->Downloads());
  if (!session_folder.empty() && !private_window) app->SetSessionFolder(session_folder);
  history = std::make_unique<HistoryStore>(data.empty() ? "" : HistoryFilePath(data), nullptr,
                                           kHistoryFlushInterval, &problems);
  history_window = std::make_unique<gtk::HistoryWindowToolkit>(&toolkit->Window());
  app->SetHistory(*history, *history_window);
  app->Main();
}

BrowserRun::~BrowserRun() {
  gtk::ReportDownloadsTo(nullptr);
  app.reset();
  history_window.reset();
  history.reset();
  downloads_window.reset();
  toolkit.reset();
  engine.reset();
  Pump(50);
}

namespace {
template <typename W, typename Match>
W* FindUnder(Gtk::Widget& widget, const Match& match) {
  if (auto* found = dynamic_cast<W*>(&widget); found && found->is_visible() && match(*found)) {
    return found;
  }
  if (auto* container = dynamic_cast<Gtk::Container*>(&widget)) {
    for (Gtk::Widget* child : container->get_children()) {
      if (W* found = FindUnder<W>(*child, match)) return found;
    }
  }
  return nullptr;
}
}  // namespace

Gtk::Button* FindButton(Gtk::Widget& widget, const std::string& label) {
  return FindUnder<Gtk::Button>(widget, [&](Gtk::Button& b) { return b.get_label() == label; });
}

Gtk::Label* FindLabel(Gtk::Widget& widget, const std::string& text) {
  return FindUnder<Gtk::Label>(widget, [&](Gtk::Label& l) { return l.get_text() == text; });
}

// The menu item with the given label (its GTK text, mnemonic included),
// anywhere under the widget.
Gtk::MenuItem* FindMenuItem(Gtk::Widget& widget, const std::string& label) {
  if (auto* item = dynamic_cast<Gtk::MenuItem*>(&widget)) {
    if (item->get_label() == label) return item;
    if (Gtk::Menu* submenu = item->get_submenu()) {
      if (auto* found = FindMenuItem(*submenu, label)) return found;
    }
  }
  if (auto* container = dynamic_cast<Gtk::Container*>(&widget)) {
    for (Gtk::Widget* child : container->get_children()) {
      if (auto* found = FindMenuItem(*child, label)) return found;
    }
  }
  return nullptr;
}

// The parent of a process, 0 when it cannot be read.
static pid_t ParentOf(pid_t pid, std::string* name = nullptr) {
  // Read at once: a process that ends meanwhile fails the read (ESRCH),
  // which a stream would throw for.
  std::string text(512, '\0');
  const int fd = open(("/proc/" + std::to_string(pid) + "/stat").c_str(), O_RDONLY);
  const ssize_t got = fd < 0 ? -1 : read(fd, text.data(), text.size());
  if (fd >= 0) close(fd);
  text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  const auto open = text.find('(');
  const auto close = text.rfind(')');
  if (open == std::string::npos || close == std::string::npos) return 0;
  if (name) *name = text.substr(open + 1, close - open - 1);
  std::istringstream rest(text.substr(close + 2));
  char state = 0;
  pid_t parent = 0;
  rest >> state >> parent;
  return state == 'Z' ? 0 : parent;
}

// The engine's web processes this test process started, also those inside
// the sandbox, whose parent is bubblewrap.
std::vector<pid_t> WebProcesses() {
  std::vector<pid_t> found;
  DIR* proc = opendir("/proc");
  if (!proc) return found;
  while (dirent* entry = readdir(proc)) {
    const pid_t pid = static_cast<pid_t>(atoi(entry->d_name));
    if (pid <= 0) continue;
    std::string name;
    pid_t ancestor = ParentOf(pid, &name);
    if (name.rfind("WebKitWebProces", 0) != 0) continue;
    for (int depth = 0; depth < 4 && ancestor > 1; ++depth) {
      if (ancestor == getpid()) {
        found.push_back(pid);
        break;
      }
      ancestor = ParentOf(ancestor);
    }
  }
  closedir(proc);
  return found;
}

std::string TempFolder() {
  std::string pattern = ::testing::TempDir() + "tabulon-it-XXXXXX";
  char* made = mkdtemp(pattern.data());
  return made ? std::string(made) : ::testing::TempDir();
}

}  // namespace tabulon::integration

namespace tabulon::integration {

bool WindowShown(const std::string& caption) {
  const std::string pattern = "^" + caption + "$";
  const char* argv[] = {"xdotool", "search", "--onlyvisible", "--name", pattern.c_str(), nullptr};
  gchar* out = nullptr;
  gint status = 0;
  const bool ran = g_spawn_sync(nullptr, const_cast<gchar**>(argv), nullptr, G_SPAWN_SEARCH_PATH,
                                nullptr, nullptr, &out, nullptr, &status, nullptr);
  const bool found = ran && out && *out;
  g_free(out);
  return found;
}

std::string BrowserProcess::Program() {
  const std::string tests = ExecutableFolder();
  return tests.substr(0, tests.rfind('/')) + "/tabulon";
}

std::vector<std::string> BrowserProcess::Environment(const std::string& home,
                                                     const std::vector<std::string>& env) {
  std::vector<std::string> given = env;
  for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"}) {
    given.push_back(std::string(name) + "=" + home + "/" + name);
  }
  std::vector<std::string> all;
  auto named = [](const std::string& entry, const std::string& name) {
    return entry.rfind(name + "=", 0) == 0;
  };
  for (char** e = environ; *e; ++e) {
    const std::string entry = *e;
    bool replaced = named(entry, "AT_SPI_BUS_ADDRESS");
    for (const std::string& each : given) replaced |= named(entry, each.substr(0, each.find('=')));
    if (!replaced) all.push_back(entry);
  }
  all.insert(all.end(), given.begin(), given.end());
  return all;
}

BrowserProcess::BrowserProcess(const std::string& address, const std::string& home,
                               const std::vector<std::string>& env) {
  log_ = home + "/stderr." + std::to_string(g_get_monotonic_time()) + ".txt";
  std::vector<std::string> all = Environment(home, env);
  std::vector<char*> envp;
  for (auto& e : all) envp.push_back(e.data());
  envp.push_back(nullptr);
  const std::string program = Program();
  const std::string shell = "exec \"$0\" \"$1\" 2>\"$2\"";
  const char* argv[] = {"/bin/sh",       "-c",         shell.c_str(), program.c_str(),
                        address.c_str(), log_.c_str(), nullptr};
  started_ = g_spawn_async(nullptr, const_cast<gchar**>(argv), envp.data(),
                           G_SPAWN_DO_NOT_REAP_CHILD, nullptr, nullptr, &pid_, nullptr);
}

BrowserProcess::~BrowserProcess() {
  if (!started_) return;
  Kill(SIGTERM);
  g_spawn_close_pid(pid_);
}

bool BrowserProcess::Running() const {
  return started_ && !reaped_ && waitpid(pid_, nullptr, WNOHANG) == 0;
}

void BrowserProcess::Kill(int signal) {
  if (!started_ || reaped_) return;
  kill(pid_, signal);
  int status = 0;
  waitpid(pid_, &status, 0);
  reaped_ = true;
}

std::string BrowserProcess::Errors() const {
  std::ifstream file(log_);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

bool WaitForWindow(const BrowserProcess& browser, const std::string& caption) {
  auto next = std::chrono::steady_clock::now();
  return PumpUntil(
             [&] {
               if (!browser.Running()) return true;
               if (std::chrono::steady_clock::now() < next) return false;
               next = std::chrono::steady_clock::now() + std::chrono::milliseconds(200);
               return WindowShown(caption);
             },
             30000) &&
         browser.Running();
}

}  // namespace tabulon::integration
