#include "gtk/webkit/process_pool.h"

#include <algorithm>
#include <utility>

#include "browsing/site.h"

namespace tabulon::gtk {

ProcessPool::ProcessPool(WebKitWebContext* context, int processes)
    : context_(context), rule_(processes), anchors_(static_cast<std::size_t>(rule_.Size())) {}

namespace {
constexpr guint kProbeMilliseconds = 3000;
}  // namespace

ProcessPool::~ProcessPool() {
  if (probe_timeout_) g_source_remove(probe_timeout_);
  if (probe_) {
    g_cancellable_cancel(probe_);
    g_object_unref(probe_);
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

WebKitWebView* ProcessPool::CreateView(bool is_template) {
  const std::string site = std::move(expected_site_);
  expected_site_.clear();
  if (is_template) {
    // Made in the context and never loading, it starts no process.
    auto* view = NewView("web-context", context_);
    members_.push_back({view, -1, false});
    return view;
  }
  const int opener_slot = opener_ ? SlotOf(opener_) : -1;
  int slot = opener_slot;
  // The opener's process even when the rule would pick another: the pages
  // may script each other.
  if (opener_slot >= 0) {
    rule_.Join(slot);
  } else {
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
  members_.push_back({view, slot, true});
  if (!anchor) anchor = NewView("related-view", view);
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
  if (rule_.Release(slot)) {
    // A page kept waiting on a dialog may spin in its process; such a
    // process would not go by itself.
    if (trapped && anchors_[static_cast<std::size_t>(slot)]) {
      webkit_web_view_terminate_web_process(anchors_[static_cast<std::size_t>(slot)]);
    }
    EndSlot(slot);
  } else if (trapped && !probe_) {
    Probe(slot);
  }
}

// The slot's last tab has closed: its hidden page goes, and with the last
// view of the process WebKit ends the process.
void ProcessPool::EndSlot(int slot) {
  if (probe_ && probed_slot_ == slot) {
    g_source_remove(probe_timeout_);
    probe_timeout_ = 0;
    g_cancellable_cancel(probe_);
    g_clear_object(&probe_);
  }
  WebKitWebView*& anchor = anchors_[static_cast<std::size_t>(slot)];
  if (!anchor) return;
  gtk_widget_destroy(GTK_WIDGET(anchor));
  g_object_unref(anchor);
  anchor = nullptr;
}

// A script as small as can be, run in the slot's hidden page: a process
// that answers it within the time is at work as usual.
void ProcessPool::Probe(int slot) {
  WebKitWebView* anchor = anchors_[static_cast<std::size_t>(slot)];
  if (!anchor) return;
  probed_slot_ = slot;
  probe_ = g_cancellable_new();
  webkit_web_view_evaluate_javascript(anchor, "0", -1, nullptr, nullptr, probe_, OnProbeAnswered,
                                      this);
  probe_timeout_ = g_timeout_add(kProbeMilliseconds, OnProbeTimeout, this);
}

void ProcessPool::OnProbeAnswered(GObject* view, GAsyncResult* result, gpointer self) {
  GError* error = nullptr;
  if (JSCValue* value =
          webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(view), result, &error)) {
    g_object_unref(value);
  }
  const bool cancelled = error && g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED);
  if (error) g_error_free(error);
  if (cancelled) return;  // the pool is gone, or the process was ended
  auto* pool = static_cast<ProcessPool*>(self);
  g_source_remove(pool->probe_timeout_);
  pool->probe_timeout_ = 0;
  g_clear_object(&pool->probe_);
}

gboolean ProcessPool::OnProbeTimeout(gpointer self) {
  auto* pool = static_cast<ProcessPool*>(self);
  pool->probe_timeout_ = 0;
  g_cancellable_cancel(pool->probe_);
  g_clear_object(&pool->probe_);
  WebKitWebView* anchor = pool->anchors_[static_cast<std::size_t>(pool->probed_slot_)];
  if (!anchor) return G_SOURCE_REMOVE;
  // Its pages learn of it as of a crash, and come back.
  pool->ending_slot_ = pool->probed_slot_;
  webkit_web_view_terminate_web_process(anchor);
  pool->ending_slot_ = -1;
  return G_SOURCE_REMOVE;
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
