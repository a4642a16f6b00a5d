#include "gtk/webkit/painted_tabs.h"

#include <algorithm>

#include "base/val.h"
#include "browsing/painted_tabs_rule.h"
#include "gtk/webkit/webkit_browser.h"

namespace tabulon::gtk {

PaintedTabs::~PaintedTabs() {
  if (idle_) g_source_remove(idle_);
  for (WebKitBrowser* b : browsers_) b->ForgetPaintedTabs();
}

void PaintedTabs::Add(WebKitBrowser* browser) {
  browsers_.push_back(browser);
  Changed();
}

void PaintedTabs::Remove(WebKitBrowser* browser) {
  browsers_.erase(std::remove(browsers_.begin(), browsers_.end(), browser), browsers_.end());
  Changed();
}

void PaintedTabs::Changed() {
  // Below the redraw's priority: the frame that shows the new tab comes
  // first, the neighbours' painting after it.
  if (!idle_) idle_ = g_idle_add_full(G_PRIORITY_DEFAULT_IDLE, OnIdle, this, nullptr);
}

WebKitBrowser* PaintedTabs::Shown() const {
  for (WebKitBrowser* b : browsers_) {
    if (b->Visible()) return b;
  }
  return nullptr;
}

gboolean PaintedTabs::OnIdle(gpointer self) {
  auto* tabs = static_cast<PaintedTabs*>(self);
  tabs->idle_ = 0;
  tabs->Update();
  return G_SOURCE_REMOVE;
}

void PaintedTabs::Update() {
  // A browser's tag holds its tab's number.
  const WebKitBrowser* shown = nullptr;
  int count = 0;
  for (const WebKitBrowser* b : browsers_) {
    count = std::max(count, Val(b->Tag()));
    if (b->Visible()) shown = b;
  }
  const std::vector<int> neighbours =
      shown ? NeighbourTabs(Val(shown->Tag()), count) : std::vector<int>{};
  const PageSize size = shown ? shown->ShownSize() : PageSize{};
  for (WebKitBrowser* b : browsers_) {
    const int tab = Val(b->Tag());
    const bool keep = std::find(neighbours.begin(), neighbours.end(), tab) != neighbours.end();
    b->KeepPainted(keep && !b->Visible(), size);
  }
}

}  // namespace tabulon::gtk
