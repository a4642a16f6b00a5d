#include "gtk/webkit/content_blocker.h"

#include <fcntl.h>
#include <glib/gstdio.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <string_view>
#include <utility>

#include "base/problems.h"
#include "browsing/content_filter.h"
#include "gtk/guard.h"

namespace tabulon::gtk {

namespace {
// Compiled filters are stored under this prefix and the checksum of their
// rules: a changed rules file is compiled anew, and older ones removed.
constexpr const char* kIdentifierPrefix = "rules-";

// The name under which pages ask which of their ids and classes to hide.
constexpr const char* kHidingHandler = "tabulonHiding";
constexpr int kMostNamesAsked = 2000;
constexpr std::size_t kLongestName = 256;

// Run in every frame once its document is parsed: sends the id and class
// names in use, then those of elements added or renamed later, a batch at a
// time, and hides what the answers name with a style sheet of the page's
// own. A page removing that sheet gets it back with the next answer.
constexpr const char* kHidingScript = R"js((() => {
  const handler = window.webkit && window.webkit.messageHandlers &&
      window.webkit.messageHandlers.tabulonHiding;
  if (!handler || !document.documentElement) return;
  const asked = new Set();
  let queued = [], timer = 0, css = '', sheet = null;
  const note = (e) => {
    const add = (name) => { if (!asked.has(name)) { asked.add(name); queued.push(name); } };
    if (e.id) add('#' + e.id);
    if (e.classList) for (const c of e.classList) add('.' + c);
  };
  const scan = (root) => {
    if (root.nodeType !== 1) return;
    note(root);
    for (const e of root.querySelectorAll('[id],[class]')) note(e);
  };
  const send = () => {
    timer = 0;
    while (queued.length) {
      handler.postMessage(queued.splice(0, 2000)).then((selectors) => {
        if (!selectors) return;
        css += selectors + '{display:none!important}\n';
        if (!sheet || !sheet.isConnected) {
          sheet = document.createElement('style');
          (document.head || document.documentElement).appendChild(sheet);
        }
        sheet.textContent = css;
      }, () => {});
    }
  };
  scan(document.documentElement);
  send();
  new MutationObserver((records) => {
    for (const r of records) {
      if (r.type === 'attributes') note(r.target); else for (const n of r.addedNodes) scan(n);
    }
    if (queued.length && !timer) timer = setTimeout(send, 50);
  }).observe(document.documentElement,
             {childList: true, subtree: true, attributes: true, attributeFilter: ['id', 'class']});
})();)js";

// Where the engine's store keeps the filter of an identifier, and where the
// check of that file is kept beside it.
std::string StoredPath(const std::string& store_dir, const std::string& identifier) {
  return store_dir + "/ContentRuleList-" + identifier;
}
std::string CheckPath(const std::string& store_dir, const std::string& identifier) {
  return store_dir + "/" + identifier + ".check";
}

// A file's size and CRC-32, as its check keeps them; "" when it cannot be
// read. The engine loads its compiled filters without looking at what is in
// them: a damaged one would filter wrongly or not at all. CRC-32 reads some
// 2 GB a second; SHA-1 would take five times as long over the 90 MB of the
// full rules.
std::string FileCheck(const std::string& path) {
  const int fd = g_open(path.c_str(), O_RDONLY | O_CLOEXEC, 0);
  if (fd < 0) return "";
  std::vector<Bytef> buffer(1 << 20);
  uLong crc = crc32(0L, Z_NULL, 0);
  std::uint64_t size = 0;
  for (;;) {
    const ssize_t got = read(fd, buffer.data(), buffer.size());
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      close(fd);
      return "";
    }
    if (got == 0) break;
    crc = crc32_z(crc, buffer.data(), static_cast<z_size_t>(got));
    size += static_cast<std::uint64_t>(got);
  }
  close(fd);
  char text[48];
  std::snprintf(text, sizeof text, "%llu %08lx\n", static_cast<unsigned long long>(size), crc);
  return text;
}

enum class Stored { kNone, kIntact, kDamaged };

// Whether the store has the filter of the identifier as it was compiled.
// One stored without a check (its writer stopped before the check) counts
// as damaged.
Stored CheckStored(const std::string& store_dir, const std::string& identifier) {
  const std::string found = FileCheck(StoredPath(store_dir, identifier));
  if (found.empty()) return Stored::kNone;
  gchar* kept = nullptr;
  if (!g_file_get_contents(CheckPath(store_dir, identifier).c_str(), &kept, nullptr, nullptr)) {
    return Stored::kDamaged;
  }
  const bool intact = found == kept;
  g_free(kept);
  return intact ? Stored::kIntact : Stored::kDamaged;
}

// What the worker thread reads: the rules, their checksum and whether the
// store has them intact.
struct RulesFile {
  std::string path;
  std::vector<std::string> convert;
  std::string store_dir;
  GBytes* bytes = nullptr;
  PlainHidingRules hiding;
  std::string identifier;
  std::string report;  // what converting the lists gave
  Stored stored = Stored::kNone;
  gint64 checked_us = 0;
  ~RulesFile() {
    if (bytes) g_bytes_unref(bytes);
  }
};

// The lists as rules, kept in the file for the next start (a file that
// cannot be written only means converting again then).
bool ConvertLists(RulesFile& file, GError** error) {
  ContentFilterConverter converter;
  for (const std::string& list : file.convert) {
    gchar* text = nullptr;
    gsize size = 0;
    if (!g_file_get_contents(list.c_str(), &text, &size, error)) return false;
    converter.AddList(std::string_view(text, size));
    g_free(text);
  }
  const std::string json = converter.Json();
  gchar* folder = g_path_get_dirname(file.path.c_str());
  g_mkdir_with_parents(folder, 0700);
  g_free(folder);
  // The hiding rules first: the rules file's time says the pair is there.
  const std::string& plain = converter.PlainHiding();
  g_file_set_contents(PlainHidingPath(file.path).c_str(), plain.data(),
                      static_cast<gssize>(plain.size()), nullptr);
  file.hiding.Load(plain);
  g_file_set_contents(file.path.c_str(), json.data(), static_cast<gssize>(json.size()), nullptr);
  file.bytes = g_bytes_new(json.data(), json.size());
  const FilterStats& stats = converter.Stats();
  file.report = std::to_string(stats.blocking + stats.hiding) + " rules made of the system's " +
                "filter lists, " + std::to_string(stats.Skipped()) + " lines skipped";
  return true;
}

void ReadRules(GTask* task, gpointer, gpointer data, GCancellable*) {
  auto* file = static_cast<RulesFile*>(data);
  GError* error = nullptr;
  if (!file->convert.empty()) {
    bool converted = false;
    try {
      converted = ConvertLists(*file, &error);
    } catch (const std::exception& failure) {
      g_set_error_literal(&error, G_IO_ERROR, G_IO_ERROR_FAILED, failure.what());
    }
    if (!converted) {
      if (!error) g_set_error_literal(&error, G_IO_ERROR, G_IO_ERROR_FAILED, "conversion failed");
      g_task_return_error(task, error);
      return;
    }
  } else {
    gchar* contents = nullptr;
    gsize size = 0;
    if (!g_file_get_contents(file->path.c_str(), &contents, &size, &error)) {
      g_task_return_error(task, error);
      return;
    }
    file->bytes = g_bytes_new_take(contents, size);
    // Rules without their hiding file hide what the engine's filter does.
    if (g_file_get_contents(PlainHidingPath(file->path).c_str(), &contents, &size, nullptr)) {
      file->hiding.Load(std::string_view(contents, size));
      g_free(contents);
    }
  }
  gchar* sum = g_compute_checksum_for_bytes(G_CHECKSUM_SHA256, file->bytes);
  file->identifier = std::string(kIdentifierPrefix) + sum;
  g_free(sum);
  const gint64 start = g_get_monotonic_time();
  file->stored = CheckStored(file->store_dir, file->identifier);
  file->checked_us = g_get_monotonic_time() - start;
  g_task_return_boolean(task, TRUE);
}

// Keeps the check of a filter the engine has just compiled into the store.
void WriteCheck(GTask* task, gpointer, gpointer data, GCancellable*) {
  const auto* of = static_cast<const std::pair<std::string, std::string>*>(data);
  const std::string check = FileCheck(StoredPath(of->first, of->second));
  // Without a check the filter is compiled again next time: nothing lost.
  if (!check.empty()) {
    g_file_set_contents_full(CheckPath(of->first, of->second).c_str(), check.data(),
                             static_cast<gssize>(check.size()), G_FILE_SET_CONTENTS_CONSISTENT,
                             0600, nullptr);
  }
  g_task_return_boolean(task, TRUE);
}

void OnRemoved(GObject* store, GAsyncResult* result, gpointer) {
  // A filter that stays only takes room; it is tried again next time.
  GError* error = nullptr;
  webkit_user_content_filter_store_remove_finish(WEBKIT_USER_CONTENT_FILTER_STORE(store), result,
                                                 &error);
  if (error) g_error_free(error);
}

// The filter to keep when the store's older filters are removed.
struct KeepOnly {
  WebKitUserContentFilterStore* store;
  std::string store_dir;
  std::string identifier;
};

double MillisecondsSince(gint64 start_us) {
  return static_cast<double>(g_get_monotonic_time() - start_us) / 1000.0;
}

// Adds the time a step takes on the main thread to a total.
class MainThreadTime {
 public:
  explicit MainThreadTime(gint64& total) : total_(total), start_(g_get_monotonic_time()) {}
  ~MainThreadTime() { total_ += g_get_monotonic_time() - start_; }
  MainThreadTime(const MainThreadTime&) = delete;
  MainThreadTime& operator=(const MainThreadTime&) = delete;

 private:
  gint64& total_;
  gint64 start_;
};
}  // namespace

ContentBlocker::ContentBlocker(std::string store_dir)
    : store_dir_(std::move(store_dir)), cancel_(g_cancellable_new()) {}

ContentBlocker::~ContentBlocker() {
  g_cancellable_cancel(cancel_);
  g_object_unref(cancel_);
  for (auto& [view, enabled] : views_) Forget(view);
  if (filter_) webkit_user_content_filter_unref(filter_);
  if (script_) webkit_user_script_unref(script_);
  if (rules_) g_bytes_unref(rules_);
  if (store_) g_object_unref(store_);
}

void ContentBlocker::Start(std::vector<RulesSource> sources, std::function<void(bool)> ready) {
  if (started_us_) return;
  started_us_ = g_get_monotonic_time();
  ready_ = std::move(ready);
  sources_ = std::move(sources);
  ReadNext();
}

void ContentBlocker::ReadNext() {
  MainThreadTime timed(main_thread_us_);
  if (next_ == sources_.size()) {
    const char* message =
        found_ ? "広告とトラッカーのブロックを使えません（ルールを読み込めませんでした）。"
               : "広告とトラッカーのブロックを使えません（ルールがありません）。";
    if (problems_) {
      problems_->Report("blocking-off", message, failure_);
    } else if (!failure_.empty()) {
      g_printerr("Tabulon: pages are not filtered (%s).\n", failure_.c_str());
    }
    Finish(false);
    return;
  }
  // Reading some megabytes and their checksum would hold up the first page.
  auto* file = new RulesFile;
  file->path = sources_[next_].path;
  file->convert = sources_[next_].convert;
  file->store_dir = store_dir_;
  ++next_;
  GTask* task = g_task_new(nullptr, cancel_, &ContentBlocker::OnRead, this);
  g_task_set_task_data(task, file, [](gpointer data) { delete static_cast<RulesFile*>(data); });
  g_task_run_in_thread(task, ReadRules);
  g_object_unref(task);
}

void ContentBlocker::OnRead(GObject*, GAsyncResult* result, gpointer self) {
  GTask* task = G_TASK(result);
  if (g_cancellable_is_cancelled(g_task_get_cancellable(task))) return;
  auto* blocker = static_cast<ContentBlocker*>(self);
  auto* file = static_cast<RulesFile*>(g_task_get_task_data(task));
  GError* error = nullptr;
  if (!g_task_propagate_boolean(task, &error)) {
    if (!g_error_matches(error, G_FILE_ERROR, G_FILE_ERROR_NOENT)) blocker->found_ = true;
    const std::string why = std::string("could not ") +
                            (file->convert.empty() ? "read " : "convert the lists into ") +
                            file->path + ": " + error->message;
    g_error_free(error);
    blocker->Unusable(why);
    return;
  }
  MainThreadTime timed(blocker->main_thread_us_);
  blocker->found_ = true;
  if (!file->report.empty()) g_printerr("Tabulon: %s\n", file->report.c_str());
  if (blocker->rules_) g_bytes_unref(blocker->rules_);
  blocker->rules_ = g_bytes_ref(file->bytes);
  blocker->identifier_ = file->identifier;
  blocker->hiding_ = std::move(file->hiding);
  blocker->checked_us_ = file->checked_us;
  if (!blocker->store_) {
    blocker->store_ = webkit_user_content_filter_store_new(blocker->store_dir_.c_str());
  }
  if (file->stored != Stored::kIntact) {
    if (file->stored == Stored::kDamaged) {
      g_printerr(
          "Tabulon: the stored blocking filter does not match its check, or has none; "
          "compiling it again.\n");
    }
    blocker->Compile();
    return;
  }
  webkit_user_content_filter_store_load(blocker->store_, blocker->identifier_.c_str(),
                                        blocker->cancel_, &ContentBlocker::OnLoaded, blocker);
}

void ContentBlocker::Compile() {
  webkit_user_content_filter_store_save(store_, identifier_.c_str(), rules_, cancel_,
                                        &ContentBlocker::OnSaved, this);
}

void ContentBlocker::OnLoaded(GObject* store, GAsyncResult* result, gpointer self) {
  const gint64 start = g_get_monotonic_time();
  GError* error = nullptr;
  WebKitUserContentFilter* filter = webkit_user_content_filter_store_load_finish(
      WEBKIT_USER_CONTENT_FILTER_STORE(store), result, &error);
  const bool cancelled = error && g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED);
  if (error) g_error_free(error);
  if (cancelled) return;
  auto* blocker = static_cast<ContentBlocker*>(self);
  blocker->main_thread_us_ += g_get_monotonic_time() - start;
  if (filter) {
    blocker->from_store_ = true;
    blocker->Use(filter, "loaded");
    blocker->Finish(true);
    return;
  }
  // Compiled by another engine version, or refused: the rules are at hand.
  blocker->Compile();
}

void ContentBlocker::OnSaved(GObject* store, GAsyncResult* result, gpointer self) {
  GError* error = nullptr;
  WebKitUserContentFilter* filter = webkit_user_content_filter_store_save_finish(
      WEBKIT_USER_CONTENT_FILTER_STORE(store), result, &error);
  if (error && g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED)) {
    g_error_free(error);
    return;
  }
  auto* blocker = static_cast<ContentBlocker*>(self);
  if (!filter) {
    // A conversion left half-written, a damaged file: the next source.
    blocker->Unusable("could not compile the blocking rules of " +
                      blocker->sources_[blocker->next_ - 1].path + ": " +
                      (error ? error->message : "unknown error"));
    if (error) g_error_free(error);
    return;
  }
  if (error) g_error_free(error);
  blocker->Use(filter, "compiled");
  // Ready once the check is kept, so that a start right after loads it.
  auto* check = new std::pair<std::string, std::string>(blocker->store_dir_, blocker->identifier_);
  GTask* task = g_task_new(nullptr, blocker->cancel_, &ContentBlocker::OnChecked, blocker);
  g_task_set_task_data(task, check, [](gpointer data) {
    delete static_cast<std::pair<std::string, std::string>*>(data);
  });
  g_task_run_in_thread(task, WriteCheck);
  g_object_unref(task);
  // The answer may come after the blocker is gone: it carries what it needs.
  auto* keep =
      new KeepOnly{g_object_ref(blocker->store_), blocker->store_dir_, blocker->identifier_};
  webkit_user_content_filter_store_fetch_identifiers(blocker->store_, nullptr,
                                                     &ContentBlocker::OnIdentifiers, keep);
}

void ContentBlocker::OnChecked(GObject*, GAsyncResult* result, gpointer self) {
  if (g_cancellable_is_cancelled(g_task_get_cancellable(G_TASK(result)))) return;
  static_cast<ContentBlocker*>(self)->Finish(true);
}

// Filters of earlier rules only take room.
void ContentBlocker::OnIdentifiers(GObject* store, GAsyncResult* result, gpointer data) {
  auto* keep = static_cast<KeepOnly*>(data);
  gchar** identifiers = webkit_user_content_filter_store_fetch_identifiers_finish(
      WEBKIT_USER_CONTENT_FILTER_STORE(store), result);
  for (gchar** id = identifiers; id && *id; ++id) {
    if (g_str_has_prefix(*id, kIdentifierPrefix) && keep->identifier != *id) {
      // Without a callback the engine leaves the filter where it is.
      webkit_user_content_filter_store_remove(keep->store, *id, nullptr, &OnRemoved, nullptr);
      g_unlink(CheckPath(keep->store_dir, *id).c_str());
    }
  }
  g_strfreev(identifiers);
  g_object_unref(keep->store);
  delete keep;
}

void ContentBlocker::Use(WebKitUserContentFilter* filter, const char* how) {
  const gint64 start = g_get_monotonic_time();
  filter_ = filter;
  if (!hiding_.Empty()) {
    script_ = webkit_user_script_new(kHidingScript, WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES,
                                     WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_END, nullptr, nullptr);
  }
  if (rules_) {
    g_bytes_unref(rules_);
    rules_ = nullptr;
  }
  for (auto& [view, enabled] : views_) {
    if (enabled) Apply(view, true);
  }
  main_thread_us_ += g_get_monotonic_time() - start;
  g_printerr(
      "Tabulon: blocking rules %s in %.1f ms (%.1f ms of it on the main thread, %.1f ms "
      "checking the store)\n",
      how, MillisecondsSince(started_us_), static_cast<double>(main_thread_us_) / 1000.0,
      static_cast<double>(checked_us_) / 1000.0);
}

// This source's rules cannot be used: the next one's are tried.
void ContentBlocker::Unusable(const std::string& why) {
  failure_ = why;
  if (rules_) {
    g_bytes_unref(rules_);
    rules_ = nullptr;
  }
  if (next_ < sources_.size()) {
    g_printerr("Tabulon: %s; trying %s.\n", why.c_str(),
               sources_[next_].convert.empty() ? sources_[next_].path.c_str() : "the filter lists");
  }
  ReadNext();
}

void ContentBlocker::Finish(bool ok) {
  if (!ready_) return;
  std::function<void(bool)> ready = std::move(ready_);
  ready_ = nullptr;
  Guarded([&] { ready(ok); });
}

void ContentBlocker::Attach(WebKitWebView* view) {
  auto [it, added] = views_.try_emplace(view, true);
  if (!added) return;
  if (WebKitUserContentManager* manager = webkit_web_view_get_user_content_manager(view)) {
    webkit_user_content_manager_register_script_message_handler_with_reply(manager, kHidingHandler,
                                                                           nullptr);
    g_signal_connect(manager,
                     (std::string("script-message-with-reply-received::") + kHidingHandler).c_str(),
                     G_CALLBACK(&ContentBlocker::OnHidingAsked), this);
  }
  Apply(view, true);
}

void ContentBlocker::Detach(WebKitWebView* view) {
  auto it = views_.find(view);
  if (it == views_.end()) return;
  if (it->second) Apply(view, false);
  Forget(view);
  views_.erase(it);
}

void ContentBlocker::Forget(WebKitWebView* view) {
  if (WebKitUserContentManager* manager = webkit_web_view_get_user_content_manager(view)) {
    g_signal_handlers_disconnect_by_data(manager, this);
    webkit_user_content_manager_unregister_script_message_handler(manager, kHidingHandler);
  }
}

// A page's names, answered with the selectors of the rules that hide them
// there: none where the tab's site is let through.
gboolean ContentBlocker::OnHidingAsked(WebKitUserContentManager* manager, JSCValue* value,
                                       WebKitScriptMessageReply* reply, gpointer self) {
  auto* blocker = static_cast<ContentBlocker*>(self);
  std::string selectors;
  Guarded([&] {
    WebKitWebView* view = nullptr;
    for (const auto& [candidate, enabled] : blocker->views_) {
      if (enabled && webkit_web_view_get_user_content_manager(candidate) == manager) {
        view = candidate;
      }
    }
    if (!view || !blocker->script_ || !jsc_value_is_array(value)) return;
    JSCValue* length = jsc_value_object_get_property(value, "length");
    const int count = std::min(jsc_value_to_int32(length), kMostNamesAsked);
    g_object_unref(length);
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) {
      JSCValue* item = jsc_value_object_get_property_at_index(value, static_cast<guint>(i));
      if (jsc_value_is_string(item)) {
        gchar* name = jsc_value_to_string(item);
        if (std::strlen(name) <= kLongestName) names.emplace_back(name);
        g_free(name);
      }
      g_object_unref(item);
    }
    std::string host;
    if (GUri* uri = g_uri_parse(webkit_web_view_get_uri(view) ? webkit_web_view_get_uri(view) : "",
                                G_URI_FLAGS_NONE, nullptr)) {
      if (const char* name = g_uri_get_host(uri)) host = name;
      g_uri_unref(uri);
    }
    selectors = blocker->hiding_.Selectors(names, host);
  });
  JSCValue* answer = jsc_value_new_string(jsc_value_get_context(value), selectors.c_str());
  webkit_script_message_reply_return_value(reply, answer);
  g_object_unref(answer);
  return TRUE;
}

void ContentBlocker::SetEnabled(WebKitWebView* view, bool enabled) {
  auto it = views_.find(view);
  if (it == views_.end() || it->second == enabled) return;
  it->second = enabled;
  Apply(view, enabled);
}

bool ContentBlocker::Enabled(WebKitWebView* view) const {
  auto it = views_.find(view);
  return it != views_.end() && it->second;
}

// Each view has a content manager of its own, so a filter added to or
// removed from it concerns that tab alone.
void ContentBlocker::Apply(WebKitWebView* view, bool enabled) {
  if (!filter_) return;
  WebKitUserContentManager* manager = webkit_web_view_get_user_content_manager(view);
  if (!manager) return;
  if (enabled) {
    webkit_user_content_manager_add_filter(manager, filter_);
    if (script_) webkit_user_content_manager_add_script(manager, script_);
  } else {
    webkit_user_content_manager_remove_filter(manager, filter_);
    if (script_) webkit_user_content_manager_remove_script(manager, script_);
  }
}

}  // namespace tabulon::gtk
