#include "platform/gtk/process_pool.h"

#include <algorithm>

namespace tabulon::gtk {

ProcessPool::ProcessPool(WebKitWebContext* context, int processes)
    : context_(context), rule_(processes) {}

WebKitWebView* ProcessPool::AnyViewIn(int slot) const {
  for (const Member& m : members_) {
    if (m.slot == slot) return m.view;
  }
  return nullptr;
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
  WebKitWebView* related = AnyViewIn(slot);
  GtkWidget* widget =
      related ? GTK_WIDGET(g_object_new(WEBKIT_TYPE_WEB_VIEW, "related-view", related, nullptr))
              : GTK_WIDGET(g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", context_, nullptr));
  auto* view = WEBKIT_WEB_VIEW(g_object_ref_sink(widget));
  members_.push_back({view, slot, !is_template});
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
