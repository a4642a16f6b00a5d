#pragma once
#include <webkit2/webkit2.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "browsing/content_filter.h"

namespace tabulon {
class Problems;
}

namespace tabulon::gtk {

// Where blocking rules come from: a file of rules (JSON), made first of the
// filter lists in convert when there are any.
struct RulesSource {
  std::string path;
  std::vector<std::string> convert = {};
};

// The ad and tracker blocker: the engine's content filter made of the
// program's blocking rules, in every tab's view whose site has not turned it
// off, and a script that asks which of the page's id and class names the
// hiding rules for every site take. The rules are compiled once, in the
// background, and kept in a store under the cache folder by the checksum of
// their text, with a check of the stored file; later starts only check and
// load them. Pages load meanwhile; blocking begins when the filter is ready.
class ContentBlocker {
 public:
  // store_dir: where compiled filters are kept.
  explicit ContentBlocker(std::string store_dir);
  ~ContentBlocker();
  ContentBlocker(const ContentBlocker&) = delete;
  ContentBlocker& operator=(const ContentBlocker&) = delete;

  // Where blocking that is off is reported; without one, standard error.
  void SetProblems(Problems* problems) { problems_ = problems; }

  // Makes the filter of the first of the sources whose rules can be used: a
  // missing file, lists that cannot be read and rules the engine refuses
  // give way to the next source. With none left, or none given, pages are
  // not filtered, and that is reported once. A stored filter that does not
  // match its check, or that the engine will not load, is compiled again.
  // ready, when given, is called once the filter is in use, or has failed.
  void Start(std::vector<RulesSource> sources, std::function<void(bool)> ready = nullptr);

  // A tab's view, filtered until told otherwise; forgotten when closed.
  void Attach(WebKitWebView* view);
  void Detach(WebKitWebView* view);
  void SetEnabled(WebKitWebView* view, bool enabled);
  bool Enabled(WebKitWebView* view) const;
  bool Ready() const { return filter_ != nullptr; }
  // Whether the filter came ready-made from the store (not compiled now).
  bool FromStore() const { return from_store_; }

 private:
  void ReadNext();
  void Compile();
  static void OnRead(GObject*, GAsyncResult* result, gpointer self);
  static void OnLoaded(GObject* store, GAsyncResult* result, gpointer self);
  static void OnSaved(GObject* store, GAsyncResult* result, gpointer self);
  static void OnChecked(GObject*, GAsyncResult* result, gpointer self);
  static void OnIdentifiers(GObject* store, GAsyncResult* result, gpointer data);
  void Use(WebKitUserContentFilter* filter, const char* how);
  void Unusable(const std::string& why);
  void Finish(bool ok);
  void Apply(WebKitWebView* view, bool enabled);
  void Forget(WebKitWebView* view);
  static gboolean OnHidingAsked(WebKitUserContentManager* manager, JSCValue* value,
                                WebKitScriptMessageReply* reply, gpointer self);

  std::string store_dir_;
  WebKitUserContentFilterStore* store_ = nullptr;
  WebKitUserContentFilter* filter_ = nullptr;
  PlainHidingRules hiding_;
  WebKitUserScript* script_ = nullptr;  // asks for the hiding rules
  GCancellable* cancel_ = nullptr;
  GBytes* rules_ = nullptr;  // kept while they are compiled
  std::string identifier_;
  std::vector<RulesSource> sources_;
  std::size_t next_ = 0;  // the source to try if the one in hand fails
  bool found_ = false;    // whether any source had rules to try
  std::string failure_;   // why the last source's rules could not be used
  Problems* problems_ = nullptr;
  bool from_store_ = false;
  gint64 checked_us_ = 0;  // what checking the stored filter took, on a worker
  gint64 started_us_ = 0;
  gint64 main_thread_us_ = 0;  // what getting ready took on the main thread
  std::function<void(bool)> ready_;
  std::map<WebKitWebView*, bool> views_;
};

}  // namespace tabulon::gtk
