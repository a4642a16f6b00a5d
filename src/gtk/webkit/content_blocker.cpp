#include "gtk/webkit/content_blocker.h"

#include <exception>
#include <string>
#include <string_view>
#include <utility>

#include "browsing/content_filter.h"
#include "gtk/guard.h"

namespace tabulon::gtk {

namespace {
// Compiled filters are stored under this prefix and the checksum of their
// rules: a changed rules file is compiled anew, and older ones removed.
constexpr const char* kIdentifierPrefix = "rules-";

// What the worker thread reads: the rules and their checksum.
struct RulesFile {
  std::string path;
  std::vector<std::string> convert;
  GBytes* bytes = nullptr;
  std::string identifier;
  std::string report;  // what converting the lists gave
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
  }
  gchar* sum = g_compute_checksum_for_bytes(G_CHECKSUM_SHA256, file->bytes);
  file->identifier = std::string(kIdentifierPrefix) + sum;
  g_free(sum);
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
  if (filter_) webkit_user_content_filter_unref(filter_);
  if (rules_) g_bytes_unref(rules_);
  if (store_) g_object_unref(store_);
}

void ContentBlocker::Start(const std::string& rules_path, std::function<void(bool)> ready,
                           std::vector<std::string> convert) {
  if (started_us_) return;
  started_us_ = g_get_monotonic_time();
  MainThreadTime timed(main_thread_us_);
  ready_ = std::move(ready);
  // Reading some megabytes and their checksum would hold up the first page.
  auto* file = new RulesFile;
  file->path = rules_path;
  file->convert = std::move(convert);
  GTask* task = g_task_new(nullptr, cancel_, &ContentBlocker::OnRead, this);
  g_task_set_task_data(task, file, [](gpointer data) { delete static_cast<RulesFile*>(data); });
  g_task_run_in_thread(task, ReadRules);
  g_object_unref(task);
}

void ContentBlocker::OnRead(GObject*, GAsyncResult* result, gpointer self) {
  GTask* task = G_TASK(result);
  if (g_cancellable_is_cancelled(g_task_get_cancellable(task))) return;
  auto* blocker = static_cast<ContentBlocker*>(self);
  MainThreadTime timed(blocker->main_thread_us_);
  GError* error = nullptr;
  if (!g_task_propagate_boolean(task, &error)) {
    // Built without blocking rules: nothing to say.
    if (!g_error_matches(error, G_FILE_ERROR, G_FILE_ERROR_NOENT)) {
      blocker->Fail("read", error);
    } else if (blocker->ready_) {
      Guarded([&] { blocker->ready_(false); });
    }
    g_error_free(error);
    return;
  }
  auto* file = static_cast<RulesFile*>(g_task_get_task_data(task));
  if (!file->report.empty()) g_printerr("Tabulon: %s\n", file->report.c_str());
  blocker->rules_ = g_bytes_ref(file->bytes);
  blocker->identifier_ = file->identifier;
  blocker->store_ = webkit_user_content_filter_store_new(blocker->store_dir_.c_str());
  webkit_user_content_filter_store_load(blocker->store_, blocker->identifier_.c_str(),
                                        blocker->cancel_, &ContentBlocker::OnLoaded, blocker);
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
    return;
  }
  // Not compiled yet, or compiled by another engine version.
  webkit_user_content_filter_store_save(blocker->store_, blocker->identifier_.c_str(),
                                        blocker->rules_, blocker->cancel_, &ContentBlocker::OnSaved,
                                        blocker);
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
    blocker->Fail("compile", error);
    if (error) g_error_free(error);
    return;
  }
  if (error) g_error_free(error);
  blocker->Use(filter, "compiled");
  // The answer may come after the blocker is gone: it carries what it needs.
  auto* keep = new KeepOnly{g_object_ref(blocker->store_), blocker->identifier_};
  webkit_user_content_filter_store_fetch_identifiers(blocker->store_, nullptr,
                                                     &ContentBlocker::OnIdentifiers, keep);
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
    }
  }
  g_strfreev(identifiers);
  g_object_unref(keep->store);
  delete keep;
}

void ContentBlocker::Use(WebKitUserContentFilter* filter, const char* how) {
  const gint64 start = g_get_monotonic_time();
  filter_ = filter;
  if (rules_) {
    g_bytes_unref(rules_);
    rules_ = nullptr;
  }
  for (auto& [view, enabled] : views_) {
    if (enabled) Apply(view, true);
  }
  main_thread_us_ += g_get_monotonic_time() - start;
  g_printerr("Tabulon: blocking rules %s in %.1f ms (%.1f ms of it on the main thread)\n", how,
             MillisecondsSince(started_us_), static_cast<double>(main_thread_us_) / 1000.0);
  if (ready_) Guarded([&] { ready_(true); });
}

void ContentBlocker::Fail(const char* what, const GError* error) {
  g_printerr("Tabulon: could not %s the blocking rules (%s); pages are not filtered.\n", what,
             error ? error->message : "unknown error");
  if (rules_) {
    g_bytes_unref(rules_);
    rules_ = nullptr;
  }
  if (ready_) Guarded([&] { ready_(false); });
}

void ContentBlocker::Attach(WebKitWebView* view) {
  auto [it, added] = views_.try_emplace(view, true);
  if (added) Apply(view, true);
}

void ContentBlocker::Detach(WebKitWebView* view) {
  auto it = views_.find(view);
  if (it == views_.end()) return;
  if (it->second) Apply(view, false);
  views_.erase(it);
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
  } else {
    webkit_user_content_manager_remove_filter(manager, filter_);
  }
}

}  // namespace tabulon::gtk
