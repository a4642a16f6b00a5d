#include "gtk/webkit/process_pool.h"

#include <algorithm>

namespace tabulon::gtk {

ProcessPool::ProcessPool(WebKitWebContext* context, int processes)
    : context_(context), rule_(processes), anchors_(static_cast<std::size_t>(rule_.Size())) {}

ProcessPool::~ProcessPool() {
  for (WebKitWebView* anchor : anchors_) {
    if (!anchor) continue;
    gtk_widget_destroy(GTK_WIDGET(anchor));
    g_object_unref(anchor);
  }
}

WebKitWebView* ProcessPool::NewView(const char* property, gpointer value) {
  GtkWidget* widget = GTK_WIDGET(g_object_new(WEBKIT_TYPE_WEB_VIEW, property, value, nullptr));
  return WEBKIT_WEB_VIEW(g_object_ref_sink(widget));
}

int ProcessPool::SlotOf(WebKitWebView* view) const {
  for (const Member& m : members_) {
    if (m.view == view) return m.slot;
  }
  return -1;
}

WebKitWebView* ProcessPool::CreateView(bool is_template) {
  int slot = 0;
  if (!is_template) {
    const int opener_slot = opener_ ? SlotOf(opener_) : -1;
    // The opener's process even when the rule would pick another: the pages
    // may script each other.
    if (opener_slot >= 0) {
      slot = opener_slot;
      rule_.Join(slot);
    } else {
      slot = rule_.Assign();
    }
  }
  // The first view of a slot starts its process; a hidden page that never
  // loads anything then keeps that process alive when the slot's last tab
  // closes, and every later view joins it. Without the hidden page a tab
  // opened just then was sometimes given the ending process and never loaded.
  WebKitWebView*& anchor = anchors_[static_cast<std::size_t>(slot)];
  auto* view = anchor ? NewView("related-view", anchor) : NewView("web-context", context_);
  members_.push_back({view, slot, !is_template});
  if (!anchor) anchor = NewView("related-view", view);
  return view;
}

void ProcessPool::ViewClosed(WebKitWebView* view) {
  auto it = std::find_if(members_.begin(), members_.end(),
                         [view](const Member& m) { return m.view == view; });
  if (it == members_.end()) return;
  if (it->counts) rule_.Release(it->slot);
  members_.erase(it);
}

}  // namespace tabulon::gtk
