#include "gtk/webkit/web_engine.h"

#include <gdk/gdkx.h>
#include <glib/gstdio.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "browsing/accessibility_bus.h"
#include "browsing/content_filter.h"
#include "browsing/memory_use.h"
#include "gtk/guard.h"
#include "settings/basqks_api.h"

namespace tabulon::gtk {

namespace {

long MemoryMegabytes() { return static_cast<long>(MachineMemoryKb() / 1024); }

// The pool this machine runs with unless TABULON_WEB_PROCESSES says.
int MachinePoolSize() {
  return DefaultPoolSize(static_cast<int>(sysconf(_SC_NPROCESSORS_ONLN)), MemoryMegabytes());
}
constexpr const char* kBlockingRulesFile = "content-filters.json";

// Without a GPU the engine composites with GL drawn on the CPU: every tab
// shown again is drawn twice over and each process keeps GL buffers. Drawing
// straight into the window is several times faster and lighter there (see
// docs/PERFORMANCE.md). With a GPU the engine keeps its accelerated path.
// The engine reads this when it starts its processes; set before any is.
bool HaveGpu() {
  static const bool gpu = [] {
    GDir* dri = g_dir_open("/dev/dri", 0, nullptr);
    if (!dri) return false;
    bool found = false;
    while (const char* name = g_dir_read_name(dri)) {
      if (g_str_has_prefix(name, "renderD")) found = true;
    }
    g_dir_close(dri);
    return found;
  }();
  return gpu;
}
}  // namespace

std::string EngineDataDir() { return std::string(g_get_user_data_dir()) + "/tabulon"; }
std::string EngineCacheDir() { return std::string(g_get_user_cache_dir()) + "/tabulon"; }

namespace {
// When a file was last changed, in seconds; 0 when it is not there.
std::int64_t ChangedAt(const std::string& path) {
  GStatBuf info;
  if (g_stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return 0;
  return static_cast<std::int64_t>(info.st_mtime);
}
}  // namespace

std::vector<RulesSource> ChooseBlockingRules(const std::string& cache_dir,
                                             const std::string& list_dir) {
  const std::string folder = ExecutableFolder();
  std::string shipped;
  for (const std::string& path :
       {folder + "/" + TABULON_DATA_DIR_FROM_BIN + "/tabulon/" + kBlockingRulesFile,
        folder + "/" + kBlockingRulesFile}) {
    if (ChangedAt(path)) {
      shipped = path;
      break;
    }
  }
  std::vector<std::string> lists;
  std::int64_t lists_changed = 0;
  for (const char* name : {"easylist.txt", "easyprivacy.txt"}) {
    const std::string path =
        (list_dir.empty() ? std::string(TABULON_FILTER_LIST_DIR) : list_dir) + "/" + name;
    if (const std::int64_t changed = ChangedAt(path)) {
      lists.push_back(path);
      lists_changed = std::max(lists_changed, changed);
    }
  }
  const std::string cached = cache_dir + "/" + kBlockingRulesFile;
  // Rules converted by an earlier version, without their hiding file, are
  // converted again.
  const std::int64_t cached_changed = ChangedAt(PlainHidingPath(cached)) ? ChangedAt(cached) : 0;
  std::vector<RulesSource> sources;
  for (RulesChoice choice : tabulon::ChooseBlockingRules(shipped.empty() ? 0 : ChangedAt(shipped),
                                                         lists_changed, cached_changed)) {
    switch (choice) {
      case RulesChoice::kShipped: sources.push_back({shipped, {}}); break;
      case RulesChoice::kCached: sources.push_back({cached, {}}); break;
      case RulesChoice::kConvert: sources.push_back({cached, lists}); break;
    }
  }
  return sources;
}

// TABULON_SANDBOX=0 turns the sandbox off, for measuring what it costs. With
// WebKit's own switch set the engine runs pages unsandboxed whatever we ask.
static bool SandboxWanted() {
  const char* wanted = std::getenv("TABULON_SANDBOX");
  if (wanted && std::string(wanted) == "0") return false;
  return !std::getenv("WEBKIT_DISABLE_SANDBOX_THIS_IS_DANGEROUS");
}

namespace {
// Whether bubblewrap can make the namespaces the engine's sandbox needs: a
// bwrap run of /bin/true, started early and waited for when the engine is
// made. Starting it takes some 30 ms, which would otherwise come before the
// first page.
class SandboxProbe {
 public:
  void Start() {
    if (started_) return;
    started_ = true;
    gchar* bwrap = g_find_program_in_path("bwrap");
    if (!bwrap) return;
    const gchar* argv[] = {bwrap,           "--ro-bind", "/",    "/",         "--unshare-pid",
                           "--unshare-net", "--dev",     "/dev", "/bin/true", nullptr};
    running_ = g_spawn_async(
        nullptr, const_cast<gchar**>(argv), nullptr,
        static_cast<GSpawnFlags>(G_SPAWN_DO_NOT_REAP_CHILD | G_SPAWN_STDOUT_TO_DEV_NULL |
                                 G_SPAWN_STDERR_TO_DEV_NULL),
        nullptr, nullptr, &pid_, nullptr);
    g_free(bwrap);
  }

  bool Passed() {
    Start();
    if (!running_) return passed_;
    running_ = false;
    int status = 0;
    pid_t done;
    do {
      done = waitpid(pid_, &status, 0);
    } while (done < 0 && errno == EINTR);
    g_spawn_close_pid(pid_);
    passed_ = done == pid_ && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return passed_;
  }

 private:
  bool started_ = false;
  bool running_ = false;
  bool passed_ = false;
  GPid pid_ = 0;
};

SandboxProbe& Probe() {
  static SandboxProbe probe;
  return probe;
}

// The accessibility bus a desktop publishes on the X display's root window.
std::string DisplayAccessibilityBus() {
  GdkDisplay* display = gdk_display_get_default();
  if (!display || !GDK_IS_X11_DISPLAY(display)) return "";
  Display* x = GDK_DISPLAY_XDISPLAY(display);
  Atom bus = XInternAtom(x, "AT_SPI_BUS", True);
  if (bus == None) return "";
  Atom type = None;
  int format = 0;
  unsigned long items = 0, left = 0;
  unsigned char* data = nullptr;
  std::string address;
  if (XGetWindowProperty(x, DefaultRootWindow(x), bus, 0, 1024, False, AnyPropertyType, &type,
                         &format, &items, &left, &data) == Success &&
      data && format == 8) {
    address.assign(reinterpret_cast<const char*>(data), items);
  }
  if (data) XFree(data);
  return address;
}

// A desktop session that ended can leave its accessibility bus address
// behind, in the environment or on the display. The engine's sandbox then
// fails to start any page, so the pages go without accessibility instead
// (WebKit skips its bridge when its own address variable is set and empty),
// and the browser says so once. Must run before the first page process. An
// address the user gave the engine itself wins.
bool AvoidStaleAccessibilityBus(const std::string& address, const char* where) {
  if (g_getenv("WEBKIT_A11Y_BUS_ADDRESS")) return false;
  if (address.empty() || !AccessibilityBusIsStale(address)) return false;
  g_setenv("WEBKIT_A11Y_BUS_ADDRESS", "", TRUE);
  g_printerr(
      "Tabulon: the accessibility bus named by %s (%s) does not answer; "
      "pages run without accessibility.\n",
      where, address.c_str());
  return true;
}
}  // namespace

void PrepareEngine() {
  static bool done = false;
  if (done) return;
  done = true;
  if (!HaveGpu()) {
    // Both are read once: GDK's when it opens the display, the engine's when
    // it starts its processes. A value the user set wins.
    g_setenv("GDK_GL", "disable", FALSE);
    g_setenv("WEBKIT_DISABLE_COMPOSITING_MODE", "1", FALSE);
  }
  if (SandboxWanted()) Probe().Start();
  // An address the user's environment names is checked before GTK starts, so
  // the window's own accessibility does not try it either.
  // The sandbox would still bind the environment's address into each page
  // process, so a stale one is removed, not only passed over.
  if (const char* bus = std::getenv("AT_SPI_BUS_ADDRESS")) {
    if (AvoidStaleAccessibilityBus(bus, "AT_SPI_BUS_ADDRESS")) {
      g_unsetenv("AT_SPI_BUS_ADDRESS");
      g_setenv("NO_AT_BRIDGE", "1", FALSE);
    }
  }
}

WebEngine::WebEngine(const std::string& data_dir, const std::string& cache_dir,
                     PageSource page_source)
    : page_source_(std::move(page_source)) {
  PrepareEngine();  // a second call only finds it done
  // The engine reads the environment's address first, the display's next.
  const char* environment_bus = std::getenv("AT_SPI_BUS_ADDRESS");
  if (!environment_bus || !*environment_bus) {
    AvoidStaleAccessibilityBus(DisplayAccessibilityBus(), "the display's AT_SPI_BUS property");
  }
  WebKitWebsiteDataManager* data =
      data_dir.empty()
          ? webkit_website_data_manager_new_ephemeral()
          : webkit_website_data_manager_new("base-data-directory", data_dir.c_str(),
                                            "base-cache-directory", cache_dir.c_str(), nullptr);
  // Each page process is told its share of the memory: the pool holds up to
  // pool_size of them, and a process past its share frees caches sooner
  // rather than growing until the whole machine is short. The share is at
  // most 1 GB whatever the machine: past a third of it the process drops
  // what it keeps for later, past half it also collects its garbage and
  // gives its free memory back, checked every 5 s. A process that held
  // 100 tabs of a site is back near its one-tab size within some 30 s of
  // their closing, instead of keeping 300 MB more for good. None is killed
  // for its size; the user decides which page to stop.
  const int pool_size = PoolSizeFromText(std::getenv("TABULON_WEB_PROCESSES"), MachinePoolSize());
  WebKitMemoryPressureSettings* pressure = webkit_memory_pressure_settings_new();
  webkit_memory_pressure_settings_set_memory_limit(
      pressure, static_cast<guint>(std::clamp(MemoryMegabytes() / 2 / pool_size, 512L, 1024L)));
  webkit_memory_pressure_settings_set_conservative_threshold(pressure, 0.33);
  webkit_memory_pressure_settings_set_strict_threshold(pressure, 0.5);
  webkit_memory_pressure_settings_set_poll_interval(pressure, 5.0);
  context_ = WEBKIT_WEB_CONTEXT(g_object_new(WEBKIT_TYPE_WEB_CONTEXT, "website-data-manager", data,
                                             "memory-pressure-settings", pressure, nullptr));
  webkit_memory_pressure_settings_free(pressure);
  g_object_unref(data);

  // Logins survive a restart: cookies live in a file, not in memory. A
  // private window's live in memory only, and go with it.
  if (!data_dir.empty()) {
    g_mkdir_with_parents(data_dir.c_str(), 0700);
    std::string cookies = data_dir + "/cookies.sqlite";
    webkit_cookie_manager_set_persistent_storage(webkit_web_context_get_cookie_manager(context_),
                                                 cookies.c_str(),
                                                 WEBKIT_COOKIE_PERSISTENT_STORAGE_SQLITE);
  }

  webkit_web_context_register_uri_scheme(context_, "tabulon", &WebEngine::OnSchemeRequest, this,
                                         nullptr);
  // Local: web pages can neither load nor read the program's own pages.
  WebKitSecurityManager* security = webkit_web_context_get_security_manager(context_);
  webkit_security_manager_register_uri_scheme_as_local(security, "tabulon");
  webkit_security_manager_register_uri_scheme_as_secure(security, "tabulon");

  // A certificate the system does not trust is refused, never accepted.
  webkit_website_data_manager_set_tls_errors_policy(
      webkit_web_context_get_website_data_manager(context_), WEBKIT_TLS_ERRORS_POLICY_FAIL);

  // Pages run inside bubblewrap where it can run. Where it cannot (no bwrap,
  // no user namespaces), the engine would fail to start any page, so the
  // browser goes on without it and says so once.
  if (SandboxWanted()) {
    if (Probe().Passed()) {
      webkit_web_context_set_sandbox_enabled(context_, TRUE);
    } else {
      g_printerr(
          "Tabulon: the web page sandbox (bubblewrap) cannot run on this system; "
          "pages run without it.\n");
    }
  }

  SetTrackingProtection(true);
  g_signal_connect(context_, "initialize-notification-permissions",
                   G_CALLBACK(OnInitializeNotifications), this);

  blocker_ = std::make_unique<ContentBlocker>(cache_dir + "/content-filters");
  // TABULON_WEB_PROCESSES overrides the pool size, for measuring others.
  pool_ = std::make_unique<ProcessPool>(context_, pool_size);
  pool_->SetBlocker(blocker_.get());
}

void WebEngine::SetTrackingProtection(bool on) { gtk::SetTrackingProtection(context_, on); }

void SetTrackingProtection(WebKitWebContext* context, bool on) {
  webkit_cookie_manager_set_accept_policy(
      webkit_web_context_get_cookie_manager(context),
      on ? WEBKIT_COOKIE_POLICY_ACCEPT_NO_THIRD_PARTY : WEBKIT_COOKIE_POLICY_ACCEPT_ALWAYS);
  webkit_website_data_manager_set_itp_enabled(webkit_web_context_get_website_data_manager(context),
                                              on);
}

void WebEngine::OnInitializeNotifications(WebKitWebContext* context, gpointer self) {
  auto* engine = static_cast<WebEngine*>(self);
  std::vector<std::pair<std::string, bool>> answers;
  if (engine->notification_answers_) {
    Guarded([&] { answers = engine->notification_answers_(); });
  }
  GList* allowed = nullptr;
  GList* refused = nullptr;
  for (const auto& [site, allow] : answers) {
    WebKitSecurityOrigin* origin = webkit_security_origin_new_for_uri(site.c_str());
    if (!origin) continue;
    if (allow) {
      allowed = g_list_prepend(allowed, origin);
    } else {
      refused = g_list_prepend(refused, origin);
    }
  }
  webkit_web_context_initialize_notification_permissions(context, allowed, refused);
  g_list_free_full(allowed, reinterpret_cast<GDestroyNotify>(webkit_security_origin_unref));
  g_list_free_full(refused, reinterpret_cast<GDestroyNotify>(webkit_security_origin_unref));
}

WebEngine::~WebEngine() {
  g_signal_handlers_disconnect_by_data(context_, this);
  pool_.reset();
  blocker_.reset();
  g_object_unref(context_);
}

void WebEngine::OnSchemeRequest(WebKitURISchemeRequest* request, gpointer self) {
  auto* engine = static_cast<WebEngine*>(self);
  const char* uri = webkit_uri_scheme_request_get_uri(request);
  std::string html;
  // A page that cannot be made is answered as one that is not there.
  Guarded([&] { html = engine->page_source_(uri ? uri : ""); });
  if (html.empty()) {
    GError* error = g_error_new_literal(G_IO_ERROR, G_IO_ERROR_NOT_FOUND, "no such page");
    webkit_uri_scheme_request_finish_error(request, error);
    g_error_free(error);
    return;
  }
  gsize size = html.size();
  GInputStream* stream =
      g_memory_input_stream_new_from_data(g_memdup2(html.data(), size), size, g_free);
  webkit_uri_scheme_request_finish(request, stream, static_cast<gint64>(size), "text/html");
  g_object_unref(stream);
}

}  // namespace tabulon::gtk
