#include "harness.h"

#include <stdlib.h>
#include <unistd.h>

#include <thread>

#include "app/internet_settings.h"
#include "app/search_page.h"

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

LoopbackServer::LoopbackServer() : server_(soup_server_new(nullptr, nullptr)) {
  soup_server_add_handler(server_, nullptr, &LoopbackServer::Handle, this, nullptr);
  GError* error = nullptr;
  if (!soup_server_listen_local(server_, 0, SOUP_SERVER_LISTEN_IPV4_ONLY, &error)) {
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
  return "http://127.0.0.1:" + std::to_string(port_) + path;
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
  soup_server_message_set_status(msg, 200, nullptr);
  soup_server_message_set_response(msg, server->content_types_[path].c_str(), SOUP_MEMORY_COPY,
                                   it->second.data(), it->second.size());
}

BrowserRun::BrowserRun(const std::string& config_dir, const std::string& command_line,
                       const std::string& exe_folder) {
  state.CommandLine = command_line;
  store = std::make_unique<FileSettingsStore>(config_dir);
  engine = std::make_unique<gtk::WebEngine>(TempFolder(), TempFolder(),
                                            [this](const std::string& uri) -> std::string {
                                              return BuiltInPageHtml(uri, state, *store);
                                            });
  toolkit = std::make_unique<gtk::GtkToolkit>(*engine, [this] { ended = true; });
  toolkit->SetBrowsingPreferences(
      {[this] { return ReadHomePage(*store); }, [this] { return ReadDefaultEncoding(*store); }});
  app = std::make_unique<Application>(state, *toolkit,
                                      MainWindowServices{*store, boxes, clipboard, processes},
                                      exe_folder.empty() ? TempFolder() : exe_folder);
  app->Main();
}

BrowserRun::~BrowserRun() {
  app.reset();
  toolkit.reset();
  engine.reset();
  Pump(50);
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

std::string TempFolder() {
  std::string pattern = ::testing::TempDir() + "tabulon-it-XXXXXX";
  char* made = mkdtemp(pattern.data());
  return made ? std::string(made) : ::testing::TempDir();
}

}  // namespace tabulon::integration
