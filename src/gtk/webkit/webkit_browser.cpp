#include "gtk/webkit/webkit_browser.h"

#include <optional>

#include "base/errors.h"
#include "browsing/address.h"
#include "browsing/crash_page.h"
#include "browsing/start_page.h"
#include "gtk/guard.h"
#include "gtk/units.h"
#include "gtk/webkit/web_engine.h"

namespace tabulon::gtk {

namespace {
// Runs an event handler of the window; whatever it throws stays on this side
// of the engine's C callbacks.

// What the engine decodes undeclared pages as when left to itself, taken
// from settings nobody has touched.
const std::string& EngineDefaultCharset() {
  static const std::string charset = [] {
    WebKitSettings* fresh = webkit_settings_new();
    const char* value = webkit_settings_get_default_charset(fresh);
    std::string text = value ? value : "";
    g_object_unref(fresh);
    return text;
  }();
  return charset;
}

// What the user is told of a failed load; nothing for a load that was
// stopped, replaced or turned into a download, which are no failures.
std::optional<LoadFailure> FailureOf(const GError* error) {
  if (!error) return std::nullopt;
  if (error->domain == WEBKIT_NETWORK_ERROR) {
    if (error->code == WEBKIT_NETWORK_ERROR_CANCELLED) return std::nullopt;
    if (error->code == WEBKIT_NETWORK_ERROR_FILE_DOES_NOT_EXIST) return LoadFailure::kFileNotFound;
    return LoadFailure::kOther;
  }
  if (error->domain == G_RESOLVER_ERROR) return LoadFailure::kHostNotFound;
  if (error->domain == G_IO_ERROR) {
    switch (error->code) {
      case G_IO_ERROR_CANCELLED: return std::nullopt;
      case G_IO_ERROR_CONNECTION_REFUSED: return LoadFailure::kConnectionRefused;
      case G_IO_ERROR_TIMED_OUT: return LoadFailure::kTimedOut;
      case G_IO_ERROR_HOST_NOT_FOUND:
      case G_IO_ERROR_HOST_UNREACHABLE: return LoadFailure::kHostNotFound;
      default: return LoadFailure::kOther;
    }
  }
  // Policy, plug-in and download "errors" are the engine's own business.
  return std::nullopt;
}
}  // namespace

class WebKitBrowser::Peer final : public ControlPeer {
 public:
  explicit Peer(WebKitBrowser& browser) : browser_(browser) {}
  void Changed(Prop prop) override { browser_.Apply(prop); }
  bool TakeFocus() override {
    gtk_widget_grab_focus(GTK_WIDGET(browser_.view_));
    return true;
  }

 private:
  WebKitBrowser& browser_;
};

WebKitBrowser::WebKitBrowser(ProcessPool& pool, bool is_template, GtkLayout* parent,
                             BrowserEvents& events, int index, PaintedTabs* painted)
    : pool_(pool),
      view_(nullptr),
      parent_(parent),
      events_(events),
      index_(index),
      painted_(is_template ? nullptr : painted),
      is_template_(is_template) {
  SetUpView(pool.CreateView(is_template));
  resting_ = !is_template && pool_.Rests(view_);
  AttachPeer(std::make_unique<Peer>(*this));
  if (painted_) painted_->Add(this);
}

WebKitBrowser::~WebKitBrowser() {
  if (painted_) painted_->Remove(this);
  TearDownView();
}

void WebKitBrowser::SetUpView(WebKitWebView* view) {
  view_ = view;
  GtkWidget* widget = GTK_WIDGET(view_);
  gtk_layout_put(parent_, widget, 0, 0);
  gtk_widget_set_size_request(widget, 0, 0);
  gtk_widget_set_visible(widget, FALSE);

  g_signal_connect(view_, "notify::title", G_CALLBACK(OnTitle), this);
  g_signal_connect(view_, "notify::estimated-load-progress", G_CALLBACK(OnProgress), this);
  g_signal_connect(view_, "load-changed", G_CALLBACK(OnLoadChanged), this);
  g_signal_connect(view_, "mouse-target-changed", G_CALLBACK(OnMouseTarget), this);
  g_signal_connect(view_, "decide-policy", G_CALLBACK(OnDecidePolicy), this);
  g_signal_connect(view_, "create", G_CALLBACK(OnCreate), this);
  g_signal_connect(view_, "web-process-terminated", G_CALLBACK(OnProcessTerminated), this);
  g_signal_connect(view_, "notify::is-web-process-responsive", G_CALLBACK(OnResponsiveChanged),
                   this);
  g_signal_connect(view_, "load-failed-with-tls-errors", G_CALLBACK(OnCertificateError), this);
  g_signal_connect(view_, "load-failed", G_CALLBACK(OnLoadFailed), this);
  g_signal_connect(webkit_web_view_get_window_properties(view_), "notify::geometry",
                   G_CALLBACK(OnGeometry), this);
  page_area_ = std::make_unique<PageArea>(view_, parent_, events_, index_);
  page_area_->Finder().OnRoomChanged([this] { Place(); });
  encoding_ = std::make_unique<EncodingDetector>(view_);
  permissions_ = std::make_unique<PagePermissions>(view_, events_, index_);
  if (!is_template_) {
    pool_.Watch(view_, {[this] { return page_area_ && page_area_->WaitsOnUser(); },
                        [this] { return page_area_ && page_area_->Dialog().IsOpen(); },
                        [this] { ReportResponsiveness(); }});
  }
}

void WebKitBrowser::TearDownView() {
  if (mend_idle_) {
    g_source_remove(mend_idle_);
    mend_idle_ = 0;
  }
  const bool trapped = page_area_ && page_area_->Dialog().IsOpen();
  encoding_.reset();
  permissions_.reset();
  page_area_.reset();
  g_signal_handlers_disconnect_by_data(webkit_web_view_get_window_properties(view_), this);
  g_signal_handlers_disconnect_by_data(view_, this);
  pool_.ViewClosed(view_, trapped);
  gtk_widget_destroy(GTK_WIDGET(view_));
  g_object_unref(view_);
  view_ = nullptr;
}

// A tab whose page waits to be shown, restored or put to rest, holds an
// empty view outside the pool, which starts no engine process and holds
// none open. It gets a view of the pool, in the process of the address's
// site, when its page is to load. The back/forward list moves with it.
void WebKitBrowser::ReplaceView(bool resting, const std::string& address) {
  WebKitWebViewSessionState* state = webkit_web_view_get_session_state(view_);
  const double zoom = webkit_web_view_get_zoom_level(view_);
  TearDownView();
  if (!resting) pool_.ExpectAddress(address);
  SetUpView(resting ? pool_.CreateRestingView() : pool_.CreateView(false));
  resting_ = resting;
  webkit_web_view_restore_session_state(view_, state);
  webkit_web_view_session_state_unref(state);
  webkit_web_view_set_zoom_level(view_, zoom);
  // The new view's page area is told afresh where it is.
  on_screen_ = false;
  if (!reported_responsive_) {
    reported_responsive_ = true;
    Guarded([&] { events_.brwPage_Responsive(index_, true); });
  }
  Place();
}

void WebKitBrowser::Apply(Prop prop) {
  switch (prop) {
    case Prop::Visible:
      // The page just left the screen: it stays drawn until the neighbours
      // are looked at again, as the tab the switch keys lead back to.
      if (!Visible() && on_screen_ && painted_) {
        kept_painted_ = true;
        painted_size_ = ShownSize();
      }
      [[fallthrough]];
    case Prop::Left:
    case Prop::Top:
    case Prop::Width:
    case Prop::Height:
      Place();
      if (painted_) painted_->Changed();
      break;
    default: break;
  }
}

PageSize WebKitBrowser::ShownSize() const {
  return {TwipsToPixels(Width()), TwipsToPixels(Height())};
}

void WebKitBrowser::KeepPainted(bool keep, PageSize size) {
  if (keep == kept_painted_ &&
      (!keep || (size.width == painted_size_.width && size.height == painted_size_.height))) {
    return;
  }
  kept_painted_ = keep;
  painted_size_ = size;
  Place();
}

// A tab in the background is hidden, which lets the engine drop its drawing,
// or, when it is kept painted, shown beside the client area where nobody sees
// it, at the size it will have when its tab comes to the front.
void WebKitBrowser::Place() {
  const bool shown = Visible();
  if (shown && deferred_) LoadDeferred();  // may give the tab another view
  GtkWidget* widget = GTK_WIDGET(view_);
  if (shown != on_screen_) {
    on_screen_ = shown;
    if (page_area_) {
      page_area_->Finder().PageShown(shown);
      page_area_->Dialog().PageShown(shown);
      page_area_->DownloadQuestion().PageShown(shown);
    }
  }
  if (shown || !kept_painted_) {
    const int x = TwipsToPixels(Left()), y = TwipsToPixels(Top());
    const int width = TwipsToPixels(Width()), height = TwipsToPixels(Height());
    // The find bar takes a row at the bottom instead of covering the page.
    int bar = page_area_ ? page_area_->Finder().Height() : 0;
    if (bar > height) bar = height;
    gtk_layout_move(parent_, widget, x, y);
    gtk_widget_set_size_request(widget, width, height - bar);
    if (bar > 0) page_area_->Finder().Place(x, y + height - bar, width);
    if (page_area_) {
      page_area_->Dialog().Place(x, y, width, height - bar);
      page_area_->DownloadQuestion().Place(x, y, width);
    }
  } else {
    constexpr int kGap = 100;  // pixels between the kept page and the client area
    gtk_layout_move(parent_, widget, -painted_size_.width - kGap, TwipsToPixels(Top()));
    gtk_widget_set_size_request(widget, painted_size_.width, painted_size_.height);
  }
  // Typing must not go to a page out of sight; hiding would drop the focus
  // by itself.
  if (!shown && gtk_widget_is_focus(widget)) {
    GtkWidget* top = gtk_widget_get_toplevel(widget);
    if (GTK_IS_WINDOW(top)) gtk_window_set_focus(GTK_WINDOW(top), nullptr);
  }
  // A page kept drawn out of sight is out of the focus chain and takes no
  // key, pointer or input-method event: the user cannot see it.
  gtk_widget_set_can_focus(widget, shown);
  gtk_widget_set_sensitive(widget, shown);
  gtk_widget_set_visible(widget, shown || kept_painted_);
}

void WebKitBrowser::ApplyDefaultEncoding() {
  std::string wanted;
  if (preferences_ && preferences_->default_encoding) {
    Guarded([&] { wanted = preferences_->default_encoding(); });
  }
  if (wanted.empty()) wanted = EngineDefaultCharset();
  WebKitSettings* settings = webkit_web_view_get_settings(view_);
  const char* current = webkit_settings_get_default_charset(settings);
  if (!current || wanted != current) webkit_settings_set_default_charset(settings, wanted.c_str());
}

void WebKitBrowser::Navigate2(const std::string& url) {
  // Only the URL box runs script addresses; from anywhere else they neither
  // load nor blank the page.
  if (IsScriptAddress(url)) {
    Guarded([&] { events_.brwPage_StatusTextChange(index_, kScriptAddressRefused); });
    return;
  }
  requested_ = NormalizeAddress(url);
  WakeFor(requested_);
  ApplyDefaultEncoding();
  if (page_area_) page_area_->UserActed();
  typed_ = requested_;
  typed_retries_ = 3;
  webkit_web_view_load_uri(view_, requested_.c_str());
}

void WebKitBrowser::GoBack() {
  if (!webkit_web_view_can_go_back(view_)) throw ControlError("no earlier page");
  Wake(LocationURL());
  typed_.clear();
  webkit_web_view_go_back(view_);
}

void WebKitBrowser::GoForward() {
  if (!webkit_web_view_can_go_forward(view_)) throw ControlError("no later page");
  Wake(LocationURL());
  typed_.clear();
  webkit_web_view_go_forward(view_);
}

void WebKitBrowser::GoHome() {
  // Asked now, not at start-up: the options program may have changed it.
  std::string home;
  if (preferences_ && preferences_->home_page) home = preferences_->home_page();
  if (home.empty()) home = kHomeUrl;
  const std::string address = NormalizeAddress(home);
  WakeFor(address);
  ApplyDefaultEncoding();
  webkit_web_view_load_uri(view_, address.c_str());
}

// The built-in search page reads the search address when it is served.
void WebKitBrowser::GoSearch() {
  Wake(kSearchUrl);
  typed_.clear();
  ApplyDefaultEncoding();
  webkit_web_view_load_uri(view_, kSearchUrl);
}

void WebKitBrowser::Refresh2() {
  if (deferred_) {
    LoadDeferred();
    return;
  }
  ApplyDefaultEncoding();
  // A process that stopped before the page asked for got as far as a first
  // answer leaves no address to reload: ask for the page again.
  const char* current = webkit_web_view_get_uri(view_);
  if ((!current || !*current) && !requested_.empty()) {
    webkit_web_view_load_uri(view_, requested_.c_str());
    return;
  }
  // A page decoded again from its bytes would reload the same bytes: fetch
  // its address anew instead.
  if (encoding_ && encoding_->ShowsRedecodedPage()) {
    const char* uri = webkit_web_view_get_uri(view_);
    if (uri) {
      webkit_web_view_load_uri(view_, uri);
      return;
    }
  }
  webkit_web_view_reload(view_);
}
// Only the page: its downloads go on, stopped from the downloads window.
void WebKitBrowser::Stop() {
  typed_.clear();  // stopped on purpose: not to be asked for again
  webkit_web_view_stop_loading(view_);
}

std::string WebKitBrowser::LocationURL() const {
  if (deferred_) return requested_;
  const char* uri = webkit_web_view_get_uri(view_);
  return uri ? uri : "";
}

void WebKitBrowser::RunBookmarklet(const std::string& script) {
  webkit_web_view_evaluate_javascript(view_, script.c_str(), static_cast<gssize>(script.size()),
                                      nullptr, nullptr, nullptr, nullptr, nullptr);
}

std::string WebKitBrowser::History() const {
  WebKitWebViewSessionState* state = webkit_web_view_get_session_state(view_);
  GBytes* bytes = webkit_web_view_session_state_serialize(state);
  webkit_web_view_session_state_unref(state);
  gsize size = 0;
  const auto* data = static_cast<const char*>(g_bytes_get_data(bytes, &size));
  std::string history = data ? std::string(data, size) : std::string();
  g_bytes_unref(bytes);
  return history;
}

bool WebKitBrowser::RestoreHistory(const std::string& history) {
  GBytes* bytes = g_bytes_new(history.data(), history.size());
  WebKitWebViewSessionState* state = webkit_web_view_session_state_new(bytes);
  g_bytes_unref(bytes);
  if (!state) return false;
  // Only the list: nothing loads yet.
  webkit_web_view_restore_session_state(view_, state);
  webkit_web_view_session_state_unref(state);
  WebKitBackForwardListItem* current =
      webkit_back_forward_list_get_current_item(webkit_web_view_get_back_forward_list(view_));
  if (!current) return false;
  requested_ = webkit_back_forward_list_item_get_uri(current);
  deferred_ = true;
  // A tab in the background costs no engine work until it is first shown.
  if (Visible()) {
    LoadDeferred();
  } else if (!resting_) {
    ReplaceView(true, "");
  }
  return true;
}

void WebKitBrowser::LoadWhenShown(const std::string& url) {
  if (IsScriptAddress(url)) {
    Navigate2(url);  // refused there, with its message
    return;
  }
  requested_ = NormalizeAddress(url);
  deferred_ = true;
  if (Visible()) {
    LoadDeferred();
  } else if (!resting_) {
    ReplaceView(true, "");
  }
}

bool WebKitBrowser::Discardable() const {
  if (deferred_ || !page_area_) return false;
  const char* uri = webkit_web_view_get_uri(view_);
  return uri && *uri && !webkit_web_view_is_playing_audio(view_) && !page_area_->KeepsPage();
}

// The page and its view go; the back/forward list that led to it stays,
// and the tab is as a restored one. A process left without tabs ends.
void WebKitBrowser::Discard() {
  if (!Discardable()) return;
  const char* uri = webkit_web_view_get_uri(view_);
  requested_ = uri ? uri : "";
  ReplaceView(true, "");
  deferred_ = true;
}

void WebKitBrowser::Wake(const std::string& address) {
  deferred_ = false;
  if (resting_) ReplaceView(false, address);
}

// A page of another site that the user asks for loads in that site's
// process, so that a tab taken from a page that loops, or from a site that
// crashes, goes with its new site. Pages reached from the page itself (a
// link, a script) stay where they are: they may script each other.
void WebKitBrowser::WakeFor(const std::string& address) {
  Wake(address);
  typed_.clear();
  if (!is_template_ && pool_.Moves(view_, address)) ReplaceView(false, address);
}

void WebKitBrowser::LoadDeferred() {
  if (!deferred_) return;
  Wake(requested_);
  typed_.clear();
  WebKitBackForwardListItem* current =
      webkit_back_forward_list_get_current_item(webkit_web_view_get_back_forward_list(view_));
  ApplyDefaultEncoding();
  if (page_area_) page_area_->UserActed();
  if (current) {
    webkit_web_view_go_to_back_forward_list_item(view_, current);
  } else if (!requested_.empty()) {
    webkit_web_view_load_uri(view_, requested_.c_str());
  }
}

// The main frame's address only: the page's frames load under its
// setting. Settled as the load starts, before the page asks for anything.
void WebKitBrowser::ApplyBlocking() {
  if (!preferences_ || !preferences_->blocks_ads) return;
  const char* uri = webkit_web_view_get_uri(view_);
  bool block = true;
  Guarded([&] { block = preferences_->blocks_ads(uri ? uri : ""); });
  SetContentBlocking(block);
}

// The options program may have changed it while the browser runs; the
// engine holds it for every view, and is told only of a change.
void WebKitBrowser::ApplyTrackingProtection() {
  if (!preferences_ || !preferences_->tracking_protection) return;
  bool on = true;
  Guarded([&] { on = preferences_->tracking_protection(); });
  WebKitWebContext* context = webkit_web_view_get_context(view_);
  if (webkit_website_data_manager_get_itp_enabled(
          webkit_web_context_get_website_data_manager(context)) != on) {
    SetTrackingProtection(context, on);
  }
}

void WebKitBrowser::AnswerPermission(int request, bool allow) {
  permissions_->Answer(request, allow);
}

void WebKitBrowser::SetContentBlocking(bool enabled) {
  if (ContentBlocker* blocker = pool_.Blocker()) blocker->SetEnabled(view_, enabled);
}

std::string WebKitBrowser::LocationName() const {
  if (deferred_) {
    WebKitBackForwardListItem* current =
        webkit_back_forward_list_get_current_item(webkit_web_view_get_back_forward_list(view_));
    const char* saved = current ? webkit_back_forward_list_item_get_title(current) : nullptr;
    return saved ? saved : "";
  }
  const char* title = webkit_web_view_get_title(view_);
  return title ? title : "";
}

void WebKitBrowser::OnTitle(WebKitWebView* view, GParamSpec*, gpointer self) {
  auto* b = static_cast<WebKitBrowser*>(self);
  const char* title = webkit_web_view_get_title(view);
  Guarded([&] { b->events_.brwPage_TitleChange(b->index_, title ? title : ""); });
  // The engine may report a page's title after it has reported the end of
  // the load; the label still has to end up with the title.
  if (!webkit_web_view_is_loading(view)) {
    Guarded([&] { b->events_.brwPage_DownloadComplete(b->index_); });
  }
}

void WebKitBrowser::OnProgress(WebKitWebView* view, GParamSpec*, gpointer self) {
  auto* b = static_cast<WebKitBrowser*>(self);
  double progress = webkit_web_view_get_estimated_load_progress(view);
  auto permille = static_cast<std::int32_t>(progress * 1000.0 + 0.5);
  Guarded([&] { b->events_.brwPage_ProgressChange(b->index_, permille, 1000); });
}

void WebKitBrowser::OnLoadChanged(WebKitWebView*, WebKitLoadEvent event, gpointer self) {
  auto* b = static_cast<WebKitBrowser*>(self);
  switch (event) {
    case WEBKIT_LOAD_STARTED:
      b->ApplyTrackingProtection();
      b->ApplyBlocking();
      break;
    case WEBKIT_LOAD_REDIRECTED: b->ApplyBlocking(); break;
    case WEBKIT_LOAD_COMMITTED:
      b->ApplyBlocking();
      b->requested_.clear();
      b->typed_.clear();
      Guarded([&] { b->events_.brwPage_PageGone(b->index_); });
      b->permissions_->RefuseAll();
      Guarded([&] { b->events_.brwPage_NavigateComplete2(b->index_); });
      break;
    case WEBKIT_LOAD_FINISHED:
      // Finished or failed alike: the load is over. The frames of the page
      // have completed their navigations by now too; each completion puts
      // the page's own address back.
      Guarded([&] { b->events_.brwPage_NavigateComplete2(b->index_); });
      Guarded([&] { b->events_.brwPage_ProgressChange(b->index_, 1000, 1000); });
      Guarded([&] { b->events_.brwPage_DownloadComplete(b->index_); });
      if (b->encoding_) b->encoding_->LoadFinished();
      break;
    default: break;
  }
}

void WebKitBrowser::OnMouseTarget(WebKitWebView*, WebKitHitTestResult* hit, guint, gpointer self) {
  auto* b = static_cast<WebKitBrowser*>(self);
  std::string text;
  if (webkit_hit_test_result_context_is_link(hit)) {
    const char* uri = webkit_hit_test_result_get_link_uri(hit);
    text = uri ? uri : "";
  }
  if (text == b->status_text_) return;
  b->status_text_ = text;
  Guarded([&] { b->events_.brwPage_StatusTextChange(b->index_, text); });
}

namespace {
// What the engine's own answer to a response does: a type it cannot show,
// or one the server marks as an attachment, is saved, not shown.
bool BecomesDownload(WebKitPolicyDecision* decision) {
  auto* response_decision = WEBKIT_RESPONSE_POLICY_DECISION(decision);
  if (!webkit_response_policy_decision_is_mime_type_supported(response_decision)) return true;
  WebKitURIResponse* response = webkit_response_policy_decision_get_response(response_decision);
  SoupMessageHeaders* headers = response ? webkit_uri_response_get_http_headers(response) : nullptr;
  char* disposition = nullptr;
  const bool attachment =
      headers && soup_message_headers_get_content_disposition(headers, &disposition, nullptr) &&
      disposition && g_ascii_strcasecmp(disposition, "attachment") == 0;
  g_free(disposition);
  return attachment;
}
}  // namespace

gboolean WebKitBrowser::OnDecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision,
                                       WebKitPolicyDecisionType type, gpointer self) {
  auto* b = static_cast<WebKitBrowser*>(self);
  // A load that turns into a download ends early on purpose: it is not
  // asked for again.
  if (type == WEBKIT_POLICY_DECISION_TYPE_RESPONSE && BecomesDownload(decision)) b->typed_.clear();
  if (type != WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION) return FALSE;
  // Links and page-driven loads count too: the encoding is settled before
  // the engine sees the page's first bytes.
  b->ApplyDefaultEncoding();
  WebKitNavigationAction* action = webkit_navigation_policy_decision_get_navigation_action(
      WEBKIT_NAVIGATION_POLICY_DECISION(decision));
  WebKitURIRequest* request = webkit_navigation_action_get_request(action);
  const char* uri = request ? webkit_uri_request_get_uri(request) : nullptr;
  // A click in the page goes where the user clicked, not to the address
  // asked for before.
  if (webkit_navigation_action_is_user_gesture(action)) b->typed_.clear();
  Guarded([&] { b->events_.brwPage_BeforeNavigate2(b->index_, uri ? uri : ""); });
  return FALSE;  // navigation always proceeds
}

GtkWidget* WebKitBrowser::OnCreate(WebKitWebView*, WebKitNavigationAction* action, gpointer self) {
  auto* b = static_cast<WebKitBrowser*>(self);
  WebKitURIRequest* request = action ? webkit_navigation_action_get_request(action) : nullptr;
  const char* uri = request ? webkit_uri_request_get_uri(request) : nullptr;
  std::string requested = uri ? uri : "";
  // The tab opened for the pop-up shares the opener's process.
  ProcessPool::OpenerScope opener(b->pool_, b->view_);
  Guarded([&] { b->events_.brwPage_NewWindow2(b->index_, requested); });
  return nullptr;  // the engine never opens a window of its own
}

void WebKitBrowser::OnGeometry(WebKitWindowProperties* props, GParamSpec*, gpointer self) {
  auto* b = static_cast<WebKitBrowser*>(self);
  GdkRectangle g;
  webkit_window_properties_get_geometry(props, &g);
  GdkRectangle old = b->geometry_;
  b->geometry_ = g;
  // The page speaks in pixels; the window keeps twips.
  if (g.x != old.x)
    Guarded([&] { b->events_.brwPage_WindowSetLeft(b->index_, PixelsToTwips(g.x)); });
  if (g.y != old.y)
    Guarded([&] { b->events_.brwPage_WindowSetTop(b->index_, PixelsToTwips(g.y)); });
  if (g.width != old.width && g.width > 0) {
    Guarded([&] { b->events_.brwPage_WindowSetWidth(b->index_, PixelsToTwips(g.width)); });
  }
  if (g.height != old.height && g.height > 0) {
    Guarded([&] { b->events_.brwPage_WindowSetHeight(b->index_, PixelsToTwips(g.height)); });
  }
}

void WebKitBrowser::OnProcessTerminated(WebKitWebView*, WebKitWebProcessTerminationReason reason,
                                        gpointer self) {
  auto* b = static_cast<WebKitBrowser*>(self);
  if (reason == WEBKIT_WEB_PROCESS_TERMINATED_BY_API) {
    // Closing the view ourselves ends its process on purpose: nothing to
    // mend. A process the pool ended for not answering is mended as after a
    // crash, once the engine is done ending it: a load asked for while it
    // still does would be lost.
    if (b->pool_.Ending(b->view_) && !b->mend_idle_) b->mend_idle_ = g_idle_add(OnMendIdle, b);
    return;
  }
  b->ProcessEnded();
}

void WebKitBrowser::ProcessEnded() {
  const std::int64_t now_ms = g_get_monotonic_time() / 1000;
  Guarded([&] { events_.brwPage_ProcessTerminated(index_, now_ms); });
}

gboolean WebKitBrowser::OnMendIdle(gpointer self) {
  auto* b = static_cast<WebKitBrowser*>(self);
  b->mend_idle_ = 0;
  if (b->stopped_by_user_) {
    // The page the user stopped is not loaded again by itself.
    b->stopped_by_user_ = false;
    const std::string url = b->stopped_url_;
    webkit_web_view_load_alternate_html(b->view_, StoppedPageHtml(url).c_str(), url.c_str(),
                                        nullptr);
    return G_SOURCE_REMOVE;
  }
  b->ProcessEnded();
  return G_SOURCE_REMOVE;
}

void WebKitBrowser::EndProcess() {
  stopped_by_user_ = true;
  stopped_url_ = LocationURL();  // gone with the process
  // The other pages of the process come back as after a crash.
  pool_.EndProcessOf(view_);
}

void WebKitBrowser::OnResponsiveChanged(WebKitWebView*, GParamSpec*, gpointer self) {
  static_cast<WebKitBrowser*>(self)->ReportResponsiveness();
}

void WebKitBrowser::ReportResponsiveness() {
  // A page waiting on the user's answer to its dialog is not hung.
  const bool responsive =
      (webkit_web_view_get_is_web_process_responsive(view_) && pool_.Answers(view_)) ||
      (page_area_ && page_area_->WaitsOnUser());
  if (responsive == reported_responsive_) return;
  reported_responsive_ = responsive;
  Guarded([&] { events_.brwPage_Responsive(index_, responsive); });
}

gboolean WebKitBrowser::OnCertificateError(WebKitWebView* view, gchar* failing_uri,
                                           GTlsCertificate*, GTlsCertificateFlags, gpointer) {
  // Refused, never accepted: the page is not fetched, and a page of ours
  // says why in place of the engine's bare message.
  const std::string uri = failing_uri ? failing_uri : "";
  webkit_web_view_load_alternate_html(view, CertificateErrorPageHtml(uri).c_str(), uri.c_str(),
                                      nullptr);
  return TRUE;
}

// A page that cannot be fetched leaves the tab at its address, not at the
// engine's blank page, with a page of ours that says why.
gboolean WebKitBrowser::OnLoadFailed(WebKitWebView* view, WebKitLoadEvent, gchar* failing_uri,
                                     GError* error, gpointer self) {
  auto* b = static_cast<WebKitBrowser*>(self);
  // The old page navigating by itself (a script changing its address) may
  // cut short the load the user asked for: it is asked for again, a few
  // times at most.
  const bool cut_short =
      g_error_matches(error, WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_CANCELLED) ||
      g_error_matches(error, WEBKIT_POLICY_ERROR,
                      WEBKIT_POLICY_ERROR_FRAME_LOAD_INTERRUPTED_BY_POLICY_CHANGE);
  if (cut_short && !b->typed_.empty() && b->typed_retries_ > 0) {
    --b->typed_retries_;
    webkit_web_view_load_uri(view, b->typed_.c_str());
    return TRUE;
  }
  const std::optional<LoadFailure> why = FailureOf(error);
  if (!why || !failing_uri) return FALSE;
  webkit_web_view_load_alternate_html(view, LoadErrorPageHtml(failing_uri, *why).c_str(),
                                      failing_uri, nullptr);
  return TRUE;
}

}  // namespace tabulon::gtk
