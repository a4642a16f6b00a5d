#pragma once
#include <webkit2/webkit2.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "browsing/content_filter.h"

namespace tabulon::gtk {

// The ad and tracker blocker: the engine's content filter made of the
// program's blocking rules, in every tab's view whose site has not turned it
// off, and a script that asks which of the page's id and class names the
// hiding rules for every site take. The rules are compiled once, in the background, and kept in a
// store under the cache folder by the checksum of their text; later starts only load them. Pages
// load meanwhile; blocking begins when the filter is ready.
class ContentBlocker {
 public:
  // store_dir: where compiled filters are kept.
  explicit ContentBlocker(std::string store_dir);
  ~ContentBlocker();
  ContentBlocker(const ContentBlocker&) = delete;
  ContentBlocker& operator=(const ContentBlocker&) = delete;

  // Makes the filter of the rules (JSON) in the file ready. A missing file
  // means no blocking, quietly; rules the engine refuses are reported once.
  // ready, when given, is called once the filter is in use, or has failed.
  // With filter lists to convert, the rules are made of them first and kept
  // in the file.
  void Start(const std::string& rules_path, std::function<void(bool)> ready = nullptr,
             std::vector<std::string> convert = {});

  // A tab's view, filtered until told otherwise; forgotten when closed.
  void Attach(WebKitWebView* view);
  void Detach(WebKitWebView* view);
  void SetEnabled(WebKitWebView* view, bool enabled);
  bool Enabled(WebKitWebView* view) const;
  bool Ready() const { return filter_ != nullptr; }
  // Whether the filter came ready-made from the store (not compiled now).
  bool FromStore() const { return from_store_; }

 private:
  static void OnRead(GObject*, GAsyncResult* result, gpointer self);
  static void OnLoaded(GObject* store, GAsyncResult* result, gpointer self);
  static void OnSaved(GObject* store, GAsyncResult* result, gpointer self);
  static void OnIdentifiers(GObject* store, GAsyncResult* result, gpointer data);
  void Use(WebKitUserContentFilter* filter, const char* how);
  void Fail(const char* what, const GError* error);
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
  bool from_store_ = false;
  gint64 started_us_ = 0;
  gint64 main_thread_us_ = 0;  // what getting ready took on the main thread
  std::function<void(bool)> ready_;
  std::map<WebKitWebView*, bool> views_;
};

}  // namespace tabulon::gtk
