#pragma once
#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "gtk/webkit/encoding_detector.h"
#include "gtk/webkit/page_area.h"
#include "gtk/webkit/page_permissions.h"
#include "gtk/webkit/painted_tabs.h"
#include "gtk/webkit/process_pool.h"
#include "platform/browser.h"

namespace tabulon::gtk {

// The user's Internet settings as the browser needs them, asked for each time
// they are used so that a change made meanwhile counts at once.
struct BrowsingPreferences {
  std::function<std::string()> home_page;         // what Home loads
  std::function<std::string()> default_encoding;  // "" leaves it to the engine
  // Whether ads are blocked on the page at an address; all are without it.
  std::function<bool(const std::string& url)> blocks_ads;
  // Whether other sites' cookies are refused and tracking is prevented; as
  // the engine was started without it.
  std::function<bool()> tracking_protection;
};

// A page's size on the screen, in pixels.
struct PageSize {
  int width = 0;
  int height = 0;
};

// One tab's browser: a WebKit view placed in the window's client area. The
// engine's signals become calls of the window's browser event handlers; no
// exception crosses back into the engine.
class WebKitBrowser final : public BrowserControl {
 public:
  // The view comes from pool; is_template marks brwPage(0), which holds no
  // tab. painted, when given, decides whether the page stays painted while
  // its tab is in the background.
  WebKitBrowser(ProcessPool& pool, bool is_template, GtkLayout* parent, BrowserEvents& events,
                int index, PaintedTabs* painted = nullptr);
  ~WebKitBrowser() override;

  void Navigate2(const std::string& url) override;
  void GoBack() override;
  void GoForward() override;
  void GoHome() override;
  void GoSearch() override;
  void Refresh2() override;
  void Stop() override;
  std::string LocationURL() const override;
  std::string LocationName() const override;
  void RunBookmarklet(const std::string& script) override;
  std::string History() const override;
  bool RestoreHistory(const std::string& history) override;
  bool Discardable() const override;
  void Discard() override;
  void LoadWhenShown(const std::string& url) override;
  void EndProcess() override;
  void SetContentBlocking(bool enabled) override;
  void AnswerPermission(int request, bool allow) override;

  WebKitWebView* View() const { return view_; }
  // Where Home goes and how undeclared pages are decoded; without it, the
  // built-in start page and the engine's own choice.
  void SetPreferences(const BrowsingPreferences* preferences) { preferences_ = preferences; }

  // The size the page has while its tab is current.
  PageSize ShownSize() const;
  // While its tab is in the background, keep the page drawn out of sight at
  // size (true), or hide it (false), so the engine stops drawing it.
  void KeepPainted(bool keep, PageSize size);
  void ForgetPaintedTabs() { painted_ = nullptr; }

 private:
  class Peer;
  void SetUpView(WebKitWebView* view);
  void TearDownView();
  // The view is swapped for a resting one (outside the pool) or for one
  // of the pool's, in the process of the address's site.
  void ReplaceView(bool resting, const std::string& address);
  void Apply(Prop prop);
  void Place();
  void ApplyDefaultEncoding();
  // Loads the page of a restored history that waited to be shown.
  void LoadDeferred();
  void ApplyBlocking();
  void ApplyTrackingProtection();

  static void OnTitle(WebKitWebView* view, GParamSpec*, gpointer self);
  static void OnProgress(WebKitWebView* view, GParamSpec*, gpointer self);
  static void OnLoadChanged(WebKitWebView* view, WebKitLoadEvent event, gpointer self);
  static void OnMouseTarget(WebKitWebView* view, WebKitHitTestResult* hit, guint, gpointer self);
  static gboolean OnDecidePolicy(WebKitWebView* view, WebKitPolicyDecision* decision,
                                 WebKitPolicyDecisionType type, gpointer self);
  static gboolean OnCertificateError(WebKitWebView* view, gchar* failing_uri,
                                     GTlsCertificate* certificate, GTlsCertificateFlags errors,
                                     gpointer self);
  static gboolean OnLoadFailed(WebKitWebView* view, WebKitLoadEvent event, gchar* failing_uri,
                               GError* error, gpointer self);
  void ProcessEnded();
  // Whether the page's process answers: as the engine sees it when it
  // waits on the page (for input, most of all), and as the pool's watch
  // sees it.
  void ReportResponsiveness();
  static void OnResponsiveChanged(WebKitWebView*, GParamSpec*, gpointer self);
  static gboolean OnMendIdle(gpointer self);
  static void OnProcessTerminated(WebKitWebView* view, WebKitWebProcessTerminationReason reason,
                                  gpointer self);
  static GtkWidget* OnCreate(WebKitWebView* view, WebKitNavigationAction* action, gpointer self);
  static void OnGeometry(WebKitWindowProperties* props, GParamSpec*, gpointer self);

  ProcessPool& pool_;
  WebKitWebView* view_;
  GtkLayout* parent_;
  BrowserEvents& events_;
  int index_;
  PaintedTabs* painted_;
  bool kept_painted_ = false;
  PageSize painted_size_;
  bool on_screen_ = false;
  const BrowsingPreferences* preferences_ = nullptr;
  std::string status_text_;
  std::string requested_;
  // The address the user asked for with Navigate2 until its page commits,
  // and how many more times it is asked for when cut short.
  std::string typed_;
  int typed_retries_ = 0;
  bool deferred_ = false;  // a restored history whose page waits to be shown
  bool resting_ = false;   // the view is outside the pool
  const bool is_template_;
  // Before a command loads something (at address): the control is no
  // longer waiting, and its view is one of the pool's.
  void Wake(const std::string& address);
  // Before the user's own load of address: woken, and the tab may take a
  // view in another process.
  void WakeFor(const std::string& address);
  guint mend_idle_ = 0;
  bool reported_responsive_ = true;
  bool stopped_by_user_ = false;  // EndProcess: show the stopped page
  std::string stopped_url_;       // the address last asked
                                  // for, until its page commits
  GdkRectangle geometry_{0, 0, 0, 0};
  // Find, print, zoom and downloads of this tab.
  std::unique_ptr<PageArea> page_area_;
  std::unique_ptr<EncodingDetector> encoding_;
  std::unique_ptr<PagePermissions> permissions_;
};

}  // namespace tabulon::gtk
