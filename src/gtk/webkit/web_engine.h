#pragma once
#include <webkit2/webkit2.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "gtk/webkit/content_blocker.h"
#include "gtk/webkit/process_pool.h"

namespace tabulon::gtk {

// The one web context of the process: cookies and cache in the user's XDG
// folders, and the program's own pages under the tabulon: scheme.
class WebEngine {
 public:
  // page_source gives the HTML of a built-in page by its address, or "" for
  // an address that names no page.
  using PageSource = std::function<std::string(const std::string& uri)>;

  // data_dir: where cookies, storage and the like are kept; "" keeps them
  // in memory only (a private window). cache_dir keeps the compiled
  // blocking rules, and the page cache when there is a data_dir.
  WebEngine(const std::string& data_dir, const std::string& cache_dir, PageSource page_source);
  ~WebEngine();
  WebEngine(const WebEngine&) = delete;
  WebEngine& operator=(const WebEngine&) = delete;

  WebKitWebContext* Context() const { return context_; }
  // The engine processes the tabs' views share.
  ProcessPool& Pool() { return *pool_; }
  // The ad and tracker blocker of the tabs' views; idle until started.
  ContentBlocker& Blocker() { return *blocker_; }
  // Cookies of other sites than the page's refused and trackers kept from
  // following the user across sites (true), or neither.
  void SetTrackingProtection(bool on);
  // The sites the user allowed (true) or refused (false) notifications, by
  // their "scheme://host[:port]". Each new engine process is told them, so
  // that a page reads its answer before it asks.
  using NotificationAnswers = std::function<std::vector<std::pair<std::string, bool>>()>;
  void SetNotificationAnswers(NotificationAnswers answers) {
    notification_answers_ = std::move(answers);
  }

 private:
  static void OnSchemeRequest(WebKitURISchemeRequest* request, gpointer self);
  static void OnInitializeNotifications(WebKitWebContext* context, gpointer self);
  NotificationAnswers notification_answers_;
  WebKitWebContext* context_ = nullptr;
  PageSource page_source_;
  std::unique_ptr<ContentBlocker> blocker_;
  std::unique_ptr<ProcessPool> pool_;
};

// Cookies of other sites than the page's refused and trackers kept from
// following the user across sites (true), or neither, for every view of
// the context.
void SetTrackingProtection(WebKitWebContext* context, bool on);

// Called first in main, before GTK opens the display. Without a GPU it turns
// off GL in GDK and compositing in the engine (both would only draw with GL on
// the CPU), and it starts checking whether the page sandbox can run, so that
// the check overlaps GTK's start instead of delaying the first page.
void PrepareEngine();

// The user's data and cache folders for the engine ($XDG_DATA_HOME/tabulon,
// $XDG_CACHE_HOME/tabulon).
std::string EngineDataDir();
std::string EngineCacheDir();

// The blocking rules to start with, and those that stand in when they
// cannot be used: the program's own (made from EasyList and EasyPrivacy when
// it was built, in its installed data folder or beside it in the build
// folder), or, where the system's copies of those lists (in list_dir, the
// system's folder when empty) are newer, the lists converted into rules in
// the cache folder (converted again when they fail). None: no rules at all.
std::vector<RulesSource> ChooseBlockingRules(const std::string& cache_dir,
                                             const std::string& list_dir = "");

}  // namespace tabulon::gtk
