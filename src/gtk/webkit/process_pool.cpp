#include "gtk/webkit/process_pool.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "browsing/site.h"

namespace tabulon::gtk {

ProcessPool::ProcessPool(WebKitWebContext* context, int processes)
    : context_(context),
      rule_(processes),
      anchors_(static_cast<std::size_t>(rule_.Size())),
      pings_(anchors_.size()) {}

namespace {
constexpr guint kWatchMilliseconds = 1000;
constexpr gint64 kHungAfterMicroseconds = 3 * G_USEC_PER_SEC;

struct PingCall {
  ProcessPool* pool;
  int slot;
};
}  // namespace

ProcessPool::~ProcessPool() {
  if (watch_) g_source_remove(watch_);
  for (Ping& ping : pings_) {
    if (!ping.pending) continue;
    g_cancellable_cancel(ping.pending);
    g_object_unref(ping.pending);
  }
  for (WebKitWebView* anchor : anchors_) {
    if (!anchor) continue;
    gtk_widget_destroy(GTK_WIDGET(anchor));
    g_object_unref(anchor);
  }
}

WebKitWebView* ProcessPool::NewView(const char* property, gpointer value) {
  // Media may start on its own only without sound: a page that starts
  // talking unasked is the first thing users turn off.
  WebKitWebsitePolicies* policies = webkit_website_policies_new_with_policies(
      "autoplay", WEBKIT_AUTOPLAY_ALLOW_WITHOUT_SOUND, nullptr);
  GtkWidget* widget = GTK_WIDGET(
      g_object_new(WEBKIT_TYPE_WEB_VIEW, property, value, "website-policies", policies, nullptr));
  g_object_unref(policies);
  return WEBKIT_WEB_VIEW(g_object_ref_sink(widget));
}

int ProcessPool::SlotOf(WebKitWebView* view) const {
  for (const Member& m : members_) {
    if (m.view == view) return m.slot;
  }
  return -1;
}

void ProcessPool::ExpectAddress(const std::string& address) { expected_site_ = SiteOf(address); }

// A page's new window opens in its opener's process (its view is made
// there, and would be again).
bool ProcessPool::Moves(WebKitWebView* view, const std::string& address) {
  if (opener_) return false;
  TellRuleWhatIsHeld();
  return rule_.Moves(SlotOf(view), SiteOf(address));
}

// Made in the context and never loading, it starts no process.
WebKitWebView* ProcessPool::CreateRestingView() {
  expected_site_.clear();
  expect_resting_ = false;
  auto* view = NewView("web-context", context_);
  members_.push_back({view, -1, false, {}});
  return view;
}

WebKitWebView* ProcessPool::CreateView(bool is_template) {
  const std::string site = std::move(expected_site_);
  expected_site_.clear();
  if (is_template || expect_resting_) return CreateRestingView();
  const int opener_slot = opener_ ? SlotOf(opener_) : -1;
  int slot = opener_slot;
  // The opener's process even when the rule would pick another: the pages
  // may script each other.
  if (opener_slot >= 0) {
    rule_.Join(slot);
  } else {
    TellRuleWhatIsHeld();
    slot = rule_.Assign(site);
  }
  // The first view of a slot starts its process; a hidden page that never
  // loads anything stays with it, and every later view of the slot is made
  // related to that page. When the slot's last tab closes, the hidden page
  // goes too and the next tab of the slot starts a new process: a tab is
  // never made related to a view on its way out, which once gave a tab the
  // ending process and it never loaded.
  WebKitWebView*& anchor = anchors_[static_cast<std::size_t>(slot)];
  auto* view = anchor ? NewView("related-view", anchor) : NewView("web-context", context_);
  members_.push_back({view, slot, true, {}});
  if (!anchor) {
    anchor = NewView("related-view", view);
    StartWatch();
  }
  if (blocker_) blocker_->Attach(view);
  return view;
}

void ProcessPool::ViewClosed(WebKitWebView* view, bool trapped) {
  auto it = std::find_if(members_.begin(), members_.end(),
                         [view](const Member& m) { return m.view == view; });
  if (it == members_.end()) return;
  const int slot = it->slot;
  const bool counts = it->counts;
  if (blocker_ && counts) blocker_->Detach(view);
  members_.erase(it);
  if (!counts) return;
  // Checked before the release, which forgets it.
  const bool hung = pings_[static_cast<std::size_t>(slot)].hung;
  if (rule_.Release(slot)) {
    // A page kept waiting on a dialog may spin in its process, and a hung
    // one spins on after its last page went; such a process would not go
    // by itself.
    if ((trapped || hung) && anchors_[static_cast<std::size_t>(slot)]) {
      webkit_web_view_terminate_web_process(anchors_[static_cast<std::size_t>(slot)]);
    }
    EndSlot(slot);
  } else if (trapped) {
    Ping& ping = pings_[static_cast<std::size_t>(slot)];
    ping.end_if_hung = true;
    if (!ping.pending) Ask(slot);
  }
}

void ProcessPool::Watch(WebKitWebView* view, Watcher watcher) {
  for (Member& m : members_) {
    if (m.view == view) m.watcher = std::move(watcher);
  }
}

bool ProcessPool::Answers(WebKitWebView* view) const {
  const int slot = SlotOf(view);
  return slot < 0 || !pings_[static_cast<std::size_t>(slot)].hung;
}

// The slot's last tab has closed: its hidden page goes, and with the last
// view of the process WebKit ends the process.
void ProcessPool::EndSlot(int slot) {
  Ping& ping = pings_[static_cast<std::size_t>(slot)];
  if (ping.pending) {
    g_cancellable_cancel(ping.pending);
    g_object_unref(ping.pending);
  }
  ping = Ping{};
  WebKitWebView*& anchor = anchors_[static_cast<std::size_t>(slot)];
  if (!anchor) return;
  gtk_widget_destroy(GTK_WIDGET(anchor));
  g_object_unref(anchor);
  anchor = nullptr;
}

void ProcessPool::StartWatch() {
  if (!watch_) watch_ = g_timeout_add(kWatchMilliseconds, OnWatch, this);
}

// The watch runs while there are processes to watch.
gboolean ProcessPool::OnWatch(gpointer self) {
  auto* pool = static_cast<ProcessPool*>(self);
  bool any = false;
  for (std::size_t slot = 0; slot < pool->anchors_.size(); ++slot) {
    if (!pool->anchors_[slot]) continue;
    any = true;
    pool->Check(static_cast<int>(slot));
  }
  if (any) return G_SOURCE_CONTINUE;
  pool->watch_ = 0;
  return G_SOURCE_REMOVE;
}

// The question goes to the slot's hidden page, and is whether it could
// copy: it is answered on the process's main thread, runs no script and
// builds nothing in the page.
void ProcessPool::Ask(int slot) {
  Ping& ping = pings_[static_cast<std::size_t>(slot)];
  ping.pending = g_cancellable_new();
  ping.asked_at = g_get_monotonic_time();
  webkit_web_view_can_execute_editing_command(anchors_[static_cast<std::size_t>(slot)],
                                              WEBKIT_EDITING_COMMAND_COPY, ping.pending, OnAnswer,
                                              new PingCall{this, slot});
}

void ProcessPool::Check(int slot) {
  Ping& ping = pings_[static_cast<std::size_t>(slot)];
  if (!ping.pending) {
    Ask(slot);
    return;
  }
  if (g_get_monotonic_time() - ping.asked_at < kHungAfterMicroseconds) return;
  if (ping.end_if_hung) {
    // Its pages learn of it as of a crash, and come back.
    ping.end_if_hung = false;
    ending_slot_ = slot;
    webkit_web_view_terminate_web_process(anchors_[static_cast<std::size_t>(slot)]);
    ending_slot_ = -1;
    return;
  }
  if (ping.hung || WaitsOnUser(slot)) return;
  ping.hung = true;
  Tell(slot);
}

void ProcessPool::OnAnswer(GObject* view, GAsyncResult* result, gpointer data) {
  const std::unique_ptr<PingCall> call(static_cast<PingCall*>(data));
  GError* error = nullptr;
  webkit_web_view_can_execute_editing_command_finish(WEBKIT_WEB_VIEW(view), result, &error);
  // Cancelled: the pool or the slot's process is gone. Any other error is
  // a process that ended meanwhile, which hangs no more.
  const bool cancelled = error && g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED);
  if (error) g_error_free(error);
  if (!cancelled) call->pool->Answered(call->slot);
}

void ProcessPool::Answered(int slot) {
  Ping& ping = pings_[static_cast<std::size_t>(slot)];
  g_clear_object(&ping.pending);
  ping.end_if_hung = false;
  if (!ping.hung) return;
  ping.hung = false;
  Tell(slot);
}

bool ProcessPool::WaitsOnUser(int slot) const {
  return std::any_of(members_.begin(), members_.end(), [slot](const Member& m) {
    return m.slot == slot && m.watcher.waits_on_user && m.watcher.waits_on_user();
  });
}

bool ProcessPool::Held(int slot) const {
  if (pings_[static_cast<std::size_t>(slot)].hung) return true;
  return std::any_of(members_.begin(), members_.end(), [slot](const Member& m) {
    return m.slot == slot && m.watcher.holds_process && m.watcher.holds_process();
  });
}

// Asked afresh before each choice: dialogs open and close in between.
void ProcessPool::TellRuleWhatIsHeld() {
  for (int slot = 0; slot < rule_.Size(); ++slot) rule_.Hold(slot, Held(slot));
}

void ProcessPool::Tell(int slot) {
  // A watcher may close tabs: each is looked up again before it is called.
  std::vector<WebKitWebView*> views;
  for (const Member& m : members_) {
    if (m.slot == slot) views.push_back(m.view);
  }
  for (WebKitWebView* view : views) {
    auto it = std::find_if(members_.begin(), members_.end(),
                           [view](const Member& m) { return m.view == view; });
    if (it == members_.end() || !it->watcher.changed) continue;
    const std::function<void()> changed = it->watcher.changed;
    changed();
  }
}

void ProcessPool::EndProcessOf(WebKitWebView* view) {
  const int slot = SlotOf(view);
  // A view outside the pool ends as a view of a slot of its own would.
  ending_slot_ = slot >= 0 ? slot : kOutsideSlot;
  outside_view_ = slot >= 0 ? nullptr : view;
  webkit_web_view_terminate_web_process(view);
  ending_slot_ = -1;
  outside_view_ = nullptr;
}

}  // namespace tabulon::gtk
